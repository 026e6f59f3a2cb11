#include "document/formatmap.h"

#include "platform/twips.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <functional>

namespace document {

namespace {

constexpr int MaxPageTwips = 22 * 1440;

QColor toColor(std::uint32_t rgb) {
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

std::uint32_t fromColor(const QColor& c) {
    return (std::uint32_t(c.red()) << 16) | (std::uint32_t(c.green()) << 8) | std::uint32_t(c.blue());
}

double twipsToPixelsXF(int twips) {
    return twips / platform::twipsPerPixelX();
}
double twipsToPixelsYF(int twips) {
    return twips / platform::twipsPerPixelY();
}
int pixelsToTwipsXF(double px) {
    return int(std::lround(px * platform::twipsPerPixelX()));
}
int pixelsToTwipsYF(double px) {
    return int(std::lround(px * platform::twipsPerPixelY()));
}

template <typename T>
void combine(std::size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

QColor linkColor() {
    return QGuiApplication::palette().color(QPalette::Link);
}

}  // namespace

QString hyperlinkTarget(const QString& instruction) {
    // HYPERLINK "target" [\l "place"] [\o "tip"] ...; quotes are optional
    // around a target without spaces.
    const QString text = instruction.trimmed();
    if (!text.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) || (text.size() > 9 && !text.at(9).isSpace()))
        return {};
    QString target, place;
    QString* next = &target;
    for (qsizetype i = 9; i < text.size();) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        if (text.at(i) == u'\\' && i + 1 < text.size() && text.at(i + 1) != u'\\') {
            // A switch: \l names a place; the others (\o, \t, \m, \n) take
            // no target.
            next = text.at(i + 1).toLower() == u'l' ? &place : nullptr;
            i += 2;
            continue;
        }
        QString word;
        if (text.at(i) == u'"') {
            const qsizetype end = text.indexOf(u'"', i + 1);
            word = text.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? text.size() : end + 1;
        } else {
            qsizetype end = i;
            while (end < text.size() && !text.at(end).isSpace())
                ++end;
            word = text.mid(i, end - i);
            i = end;
        }
        word.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        if (next && next->isEmpty())
            *next = word;
        next = nullptr;
    }
    if (!target.isEmpty())
        return place.isEmpty() ? target : target + u'#' + place;
    return place.isEmpty() ? QString() : u'#' + place;
}

QTextCharFormat toQt(const rtf::CharFormat& f) {
    QTextCharFormat q;
    if (!f.fontName.empty())
        q.setFontFamilies(QStringList{QString::fromUtf8(f.fontName.data(), qsizetype(f.fontName.size()))});
    if (f.fontCharset >= 0)
        q.setProperty(FontCharsetProperty, f.fontCharset);
    // Half-points; a size of zero or less (\fs0) would make the text vanish.
    q.setFontPointSize(f.sizeHalfPoints > 0 ? f.sizeHalfPoints / 2.0 : 12.0);
    q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.italic);
    q.setFontUnderline(f.underline);
    q.setFontStrikeOut(f.strike);
    if (f.hasColor)
        q.setForeground(toColor(f.color));
    if (f.hasBackground)
        q.setBackground(toColor(f.background));
    switch (f.verticalAlign) {
    case rtf::VerticalAlign::Super: q.setVerticalAlignment(QTextCharFormat::AlignSuperScript); break;
    case rtf::VerticalAlign::Sub: q.setVerticalAlignment(QTextCharFormat::AlignSubScript); break;
    case rtf::VerticalAlign::Normal: break;
    }
    if (!f.field.empty()) {
        const QString instruction = QString::fromUtf8(f.field.data(), qsizetype(f.field.size()));
        q.setProperty(FieldProperty, instruction);
        const QString target = hyperlinkTarget(instruction);
        if (!target.isEmpty()) {
            q.setAnchor(true);
            q.setAnchorHref(target);
            int look = 0;
            if (!f.underline) {
                q.setFontUnderline(true);
                look |= 1;
            }
            if (!f.hasColor) {
                q.setForeground(linkColor());
                look |= 2;
            }
            if (look)
                q.setProperty(LinkLookProperty, look);
        }
    }
    return q;
}

namespace {

// \slN (with \slmultM) shown as Qt's line height and kept as it was.
void setLineSpacing(QTextBlockFormat& q, int twips, int multiple) {
    const int height = std::clamp(twips < 0 ? -twips : twips, 1, MaxPageTwips);
    if (multiple == 1 && twips > 0)
        q.setLineHeight(std::max(10.0, height * 100.0 / 240), QTextBlockFormat::ProportionalHeight);
    else
        q.setLineHeight(twipsToPixelsYF(height),
                        twips < 0 ? QTextBlockFormat::FixedHeight : QTextBlockFormat::MinimumHeight);
    q.setProperty(LineSpacingProperty, QStringLiteral("%1 %2").arg(twips).arg(multiple));
}

constexpr QTextOption::TabType kTabTypes[] = {QTextOption::LeftTab, QTextOption::RightTab, QTextOption::CenterTab,
                                              QTextOption::DelimiterTab, QTextOption::LeftTab};

void setTabStops(QTextBlockFormat& q, const std::vector<rtf::ParaFormat::Tab>& tabs) {
    QList<QTextOption::Tab> shown;
    QStringList kept;
    for (const rtf::ParaFormat::Tab& t : tabs) {
        const auto kind = static_cast<std::size_t>(t.kind);
        if (t.kind != rtf::ParaFormat::Tab::Kind::Bar)
            shown.append(QTextOption::Tab(twipsToPixelsXF(t.position), kTabTypes[kind],
                                          t.kind == rtf::ParaFormat::Tab::Kind::Decimal ? QChar(u'.') : QChar()));
        kept << QStringLiteral("%1 %2").arg(t.position).arg(kind);
    }
    q.setTabPositions(shown);
    q.setProperty(TabStopsProperty, kept.join(u','));
}

std::vector<rtf::ParaFormat::Tab> tabStopsOf(const QTextBlockFormat& q) {
    std::vector<rtf::ParaFormat::Tab> tabs;
    const QString kept = q.stringProperty(TabStopsProperty);
    for (const QString& tab : kept.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = tab.split(u' ');
        if (parts.size() == 2)
            tabs.push_back({parts[0].toInt(), static_cast<rtf::ParaFormat::Tab::Kind>(
                                                  std::clamp(parts[1].toInt(), 0, int(std::size(kTabTypes)) - 1))});
    }
    return tabs;
}

}  // namespace

QTextBlockFormat toQt(const rtf::ParaFormat& f) {
    // Only what differs from a plain left-aligned paragraph is set, so that
    // plain paragraphs share Qt's default block format.
    QTextBlockFormat q;
    switch (f.alignment) {
    case rtf::Alignment::Left: break;
    case rtf::Alignment::Right: q.setAlignment(Qt::AlignRight); break;
    case rtf::Alignment::Centre: q.setAlignment(Qt::AlignHCenter); break;
    case rtf::Alignment::Justify: q.setAlignment(Qt::AlignJustify); break;
    }
    // Lengths are held to what a page can hold (22 inches, the largest page
    // word processors offer): a file asking for a million twips of spacing
    // or indent would otherwise send the layout far beyond what it can
    // count, or leave lines no width at all.
    const auto page = [](int twips, int least) { return std::clamp(twips, least, MaxPageTwips); };
    if (f.leftIndent != 0)
        q.setLeftMargin(twipsToPixelsXF(page(f.leftIndent, -MaxPageTwips)));
    if (f.rightIndent != 0)
        q.setRightMargin(twipsToPixelsXF(page(f.rightIndent, -MaxPageTwips)));
    if (f.firstLineIndent != 0)
        q.setTextIndent(twipsToPixelsXF(page(f.firstLineIndent, -MaxPageTwips)));
    if (f.spaceBefore != 0)
        q.setTopMargin(twipsToPixelsYF(page(f.spaceBefore, 0)));
    if (f.spaceAfter != 0)
        q.setBottomMargin(twipsToPixelsYF(page(f.spaceAfter, 0)));
    if (f.list)
        q.setProperty(ListProperty, f.list);
    if (f.listLevel)
        q.setProperty(ListLevelProperty, f.listLevel);
    if (f.style)
        q.setProperty(ParaStyleProperty, f.style);
    if (f.lineSpacing != 0)
        setLineSpacing(q, f.lineSpacing, f.lineMultiple);
    if (!f.tabs.empty())
        setTabStops(q, f.tabs);
    return q;
}

QString familyOf(const QTextCharFormat& q) {
    const QStringList families = q.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return q.stringProperty(QTextFormat::FontFamily);
}

rtf::CharFormat fromQt(const QTextCharFormat& q, const QFont& defaultFont) {
    rtf::CharFormat f;
    QString family = familyOf(q);
    if (family.isEmpty())
        family = defaultFont.family();
    f.fontName = family.toStdString();
    f.fontCharset = q.hasProperty(FontCharsetProperty) ? q.intProperty(FontCharsetProperty) : -1;
    double points = q.hasProperty(QTextFormat::FontPointSize) ? q.fontPointSize() : defaultFont.pointSizeF();
    if (!(points > 0))
        points = 9;
    f.sizeHalfPoints = int(std::lround(points * 2));
    if (f.sizeHalfPoints < 1)
        f.sizeHalfPoints = 1;
    f.bold = (q.hasProperty(QTextFormat::FontWeight) ? q.fontWeight() : defaultFont.weight()) >= QFont::DemiBold;
    f.italic = q.hasProperty(QTextFormat::FontItalic) ? q.fontItalic() : defaultFont.italic();
    f.underline = q.hasProperty(QTextFormat::FontUnderline) || q.hasProperty(QTextFormat::TextUnderlineStyle)
                      ? q.fontUnderline()
                      : defaultFont.underline();
    f.strike = q.hasProperty(QTextFormat::FontStrikeOut) ? q.fontStrikeOut() : defaultFont.strikeOut();
    if (q.hasProperty(QTextFormat::ForegroundBrush) && q.foreground().style() != Qt::NoBrush) {
        f.hasColor = true;
        f.color = fromColor(q.foreground().color());
    }
    if (q.hasProperty(QTextFormat::BackgroundBrush) && q.background().style() != Qt::NoBrush) {
        f.hasBackground = true;
        f.background = fromColor(q.background().color());
    }
    switch (q.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript: f.verticalAlign = rtf::VerticalAlign::Super; break;
    case QTextCharFormat::AlignSubScript: f.verticalAlign = rtf::VerticalAlign::Sub; break;
    default: break;
    }
    if (q.hasProperty(FieldProperty)) {
        f.field = q.stringProperty(FieldProperty).toStdString();
        const int look = q.intProperty(LinkLookProperty);
        if (look & 1)
            f.underline = false;
        if ((look & 2) && f.hasColor && f.color == fromColor(linkColor()))
            f.hasColor = false;
    }
    return f;
}

int alignmentCode(Qt::Alignment alignment) {
    const Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignJustify)
        return -1;
    if (h & Qt::AlignHCenter)
        return 2;
    if (h & (Qt::AlignRight | Qt::AlignTrailing))
        return 1;
    return 0;
}

rtf::ParaFormat fromQt(const QTextBlockFormat& q) {
    rtf::ParaFormat f;
    switch (alignmentCode(q.alignment())) {
    case -1: f.alignment = rtf::Alignment::Justify; break;
    case 1: f.alignment = rtf::Alignment::Right; break;
    case 2: f.alignment = rtf::Alignment::Centre; break;
    default: f.alignment = rtf::Alignment::Left; break;
    }
    f.leftIndent = pixelsToTwipsXF(q.leftMargin());
    f.rightIndent = pixelsToTwipsXF(q.rightMargin());
    f.firstLineIndent = pixelsToTwipsXF(q.textIndent());
    f.spaceBefore = pixelsToTwipsYF(q.topMargin());
    f.spaceAfter = pixelsToTwipsYF(q.bottomMargin());
    f.list = q.intProperty(ListProperty);
    f.listLevel = q.intProperty(ListLevelProperty);
    f.style = q.intProperty(ParaStyleProperty);
    const QStringList spacing = q.stringProperty(LineSpacingProperty).split(u' ');
    if (spacing.size() == 2) {
        f.lineSpacing = spacing[0].toInt();
        f.lineMultiple = spacing[1].toInt();
    }
    f.tabs = tabStopsOf(q);
    return f;
}

std::size_t CharFormatHash::operator()(const rtf::CharFormat& f) const noexcept {
    std::size_t seed = std::hash<std::string>{}(f.fontName);
    combine(seed, f.fontCharset);
    combine(seed, f.sizeHalfPoints);
    combine(seed, (int(f.bold) << 0) | (int(f.italic) << 1) | (int(f.underline) << 2) | (int(f.strike) << 3) |
                      (int(f.hasColor) << 4) | (int(f.hasBackground) << 5) | (int(f.verticalAlign) << 6));
    combine(seed, f.color);
    combine(seed, f.background);
    if (!f.field.empty())
        combine(seed, f.field);
    return seed;
}

std::size_t ParaFormatHash::operator()(const rtf::ParaFormat& f) const noexcept {
    std::size_t seed = std::hash<int>{}(int(f.alignment));
    combine(seed, f.leftIndent);
    combine(seed, f.rightIndent);
    combine(seed, f.firstLineIndent);
    combine(seed, f.spaceBefore);
    combine(seed, f.spaceAfter);
    combine(seed, f.list << 4 | f.listLevel);
    combine(seed, f.style);
    combine(seed, f.lineSpacing << 1 | f.lineMultiple);
    for (const rtf::ParaFormat::Tab& t : f.tabs)
        combine(seed, t.position << 3 | int(t.kind));
    return seed;
}

const QTextCharFormat& FormatCache::charFormat(const rtf::CharFormat& format) {
    // Consecutive runs often repeat the previous run's format.
    if (lastKey_ && *lastKey_ == format)
        return *lastChar_;
    auto it = chars_.find(format);
    if (it == chars_.end())
        it = chars_.emplace(format, toQt(format)).first;
    lastKey_ = &it->first;
    lastChar_ = &it->second;
    return it->second;
}

const QTextBlockFormat& FormatCache::blockFormat(const rtf::ParaFormat& format) {
    auto it = blocks_.find(format);
    if (it == blocks_.end())
        it = blocks_.emplace(format, toQt(format)).first;
    return it->second;
}

}  // namespace document
