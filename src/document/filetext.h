// A file's text as the control would hold it, without building a document.
#pragma once

#include <QByteArray>
#include <QString>

namespace document {

// Exactly what LoadFile followed by plainText() gives for a file's bytes
// (paragraphs and line breaks as '\n'), read straight from the codec: much
// faster than building the document, for tools that only want the text.
// Throws rtf::ParseError when bytes that start like RTF are not RTF.
QString fileText(const QByteArray& bytes);

}  // namespace document
