// Decoding JPEG pictures with libjpeg-turbo's decompression interface into a
// QImage. Anything that is not a complete, well-formed baseline or progressive
// JPEG (truncated or corrupt data, an unsupported colour space, a picture
// larger than kMaxJpegPixels) gives a null image; nothing is printed and
// nothing throws. Any thread may call these.
#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace brisolt
{

// Bigger pictures are refused before any pixel memory is allocated.
inline constexpr qint64 kMaxJpegPixels = 64LL * 1024 * 1024;
// Files larger than this are not read.
inline constexpr qint64 kMaxJpegFileSize = 64LL * 1024 * 1024;

// An RGB32 image, or a null image when data is not a JPEG that decodes cleanly.
[[nodiscard]] QImage DecodeJpeg(QByteArrayView data);

// The same for a file (or a Qt resource path); a missing or unreadable file
// gives a null image.
[[nodiscard]] QImage LoadJpegFile(const QString& path);

} // namespace brisolt
