#include "document/keptrtf.h"

#include "document/rtfimport.h"
#include "document/tables.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextDocument>

namespace document {

namespace {

QByteArray bytesOf(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

// The text a kept item shows, as drawn: a tab takes two spaces' room.
QString drawnText(const QTextFormat& format) {
    QString text = keptText(format);
    text.replace(u'\t', QLatin1String("  "));
    return text;
}

QFont drawnFont(const QTextCharFormat& format) {
    QFont font = format.font();
    // A raised or lowered mark is drawn smaller, as Qt draws such text.
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript ||
        format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        font.setPointSizeF(font.pointSizeF() * 2 / 3);
    return font;
}

class KeptItemHandler final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    QSizeF intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) override {
        const QString text = drawnText(format);
        if (text.isEmpty())
            return QSizeF(0, 0);
        const QFontMetricsF metrics(drawnFont(format.toCharFormat()), doc->documentLayout()->paintDevice());
        return QSizeF(metrics.horizontalAdvance(text), metrics.height());
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int,
                    const QTextFormat& format) override {
        const QString text = drawnText(format);
        if (text.isEmpty())
            return;
        const QTextCharFormat chars = format.toCharFormat();
        // A printer's layout has a paint device, whose resolution the font
        // takes; the screen's has none.
        const QPaintDevice* device = doc->documentLayout()->paintDevice();
        const QFont font = device ? QFont(drawnFont(chars), device) : drawnFont(chars);
        painter->save();
        painter->setFont(font);
        if (chars.hasProperty(QTextFormat::ForegroundBrush))
            painter->setPen(chars.foreground().color());
        painter->drawText(QPointF(rect.left(), rect.top() + QFontMetricsF(font).ascent()), text);
        painter->restore();
    }
};

}  // namespace

QTextCharFormat keptFormat(const rtf::Kept& kept, const QTextCharFormat& around) {
    QTextCharFormat format = around;
    format.setObjectType(KeptObjectType);
    const bool hidden = kept.kind == rtf::Kept::Kind::Hidden;
    if (!hidden) {
        const QByteArray rtf = bytesOf(kept.rtf);
        format.setProperty(KeptRtfProperty, rtf);
        format.setProperty(KeptHashProperty, int(qHash(rtf)));
    }
    format.setProperty(KeptTextProperty, fromUtf8(kept.text));
    if (hidden)
        format.setProperty(KeptHiddenProperty, true);
    return format;
}

std::optional<rtf::Kept> keptOf(const QTextFormat& format) {
    if (format.objectType() != KeptObjectType)
        return std::nullopt;
    rtf::Kept kept;
    kept.text = format.stringProperty(KeptTextProperty).toStdString();
    if (format.boolProperty(KeptHiddenProperty)) {
        kept.kind = rtf::Kept::Kind::Hidden;
    } else {
        const QByteArray rtf = format.property(KeptRtfProperty).toByteArray();
        kept.rtf.assign(rtf.constData(), std::size_t(rtf.size()));
    }
    return kept;
}

QString keptText(const QTextFormat& format) {
    if (format.objectType() != KeptObjectType || format.boolProperty(KeptHiddenProperty))
        return {};
    return format.stringProperty(KeptTextProperty);
}

void showKeptItems(QTextDocument& document) {
    // One handler serves every document: it holds nothing.
    static KeptItemHandler* const handler = new KeptItemHandler;
    document.documentLayout()->registerHandler(KeptObjectType, handler);
}

KeptRtf::KeptRtf(QTextDocument& document) : QObject(&document) {
    setObjectName(QStringLiteral("keptRtf"));
}

KeptRtf& KeptRtf::of(QTextDocument& document) {
    if (KeptRtf* kept = document.findChild<KeptRtf*>(QString(), Qt::FindDirectChildrenOnly))
        return *kept;
    return *new KeptRtf(document);
}

const KeptRtf* KeptRtf::find(const QTextDocument& document) {
    return document.findChild<const KeptRtf*>(QString(), Qt::FindDirectChildrenOnly);
}

void KeptRtf::setRtf(const rtf::KeptDocument& kept) {
    hasRtf_ = true;
    rtf_ = kept;
}

QStringList KeptRtf::losses() const {
    QStringList all;
    if (hasRtf_ && rtf_.laterSections)
        all << QStringLiteral("第一节之后各节的页面设置和页眉页脚不能保留，全文将使用第一节的设置。");
    if (const auto* doc = qobject_cast<const QTextDocument*>(parent()))
        if (const int rows = flattenedTableRows(*doc))
            all << QStringLiteral("嵌套超过%1层的表格不能保留为表格，其中%2行将保存为以制表符分隔的文字。")
                       .arg(MaxTableNesting)
                       .arg(rows);
    if (hasRtf_)
        for (const std::string& loss : rtf_.losses)
            all << QString::fromUtf8(loss.data(), qsizetype(loss.size()));
    for (const QString& loss : losses_)
        if (!all.contains(loss))
            all << loss;
    return all;
}

void KeptRtf::addLoss(const QString& what) {
    if (!losses_.contains(what))
        losses_.append(what);
}

}  // namespace document

#include "keptrtf.moc"
