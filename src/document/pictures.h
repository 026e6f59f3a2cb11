// Pictures of an RTF file in a QTextDocument: shown as images at the size
// the file gives, and carried in the image's format with the bytes and
// control words they were read with, so that they are written back as read.
#pragma once

#include "rtf/format.h"

#include <QTextImageFormat>

#include <optional>

class QTextDocument;

namespace document {

// The image format for a picture; its image (the picture decoded, or a
// placeholder of its size for what Qt cannot draw: metafiles, damaged
// data) is added to the document's resources.
QTextImageFormat pictureFormat(const rtf::Picture& picture, QTextDocument& document);

// The picture an image format carries; none for images not read from RTF.
std::optional<rtf::Picture> pictureOf(const QTextFormat& format);

// Adds to `to` the images of every picture it holds that `from` has as a
// resource (a selection copied into a document of its own).
void copyPictureResources(const QTextDocument& from, QTextDocument& to);

}  // namespace document
