#include "ui/jpegdecode.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first

#include <QFile>
#include <QSysInfo>
#include <jpeglib.h>

namespace brisolt
{

namespace
{

// libjpeg reports a fatal error by calling error_exit, which must not return:
// we jump back to the protected step that was running.
struct TJpegError
{
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}

void OutputMessage(j_common_ptr /*info*/)
{
    // Warnings are counted by the library and judged after decoding; the
    // program prints nothing.
}

// Runs step under the jump point. Only step's own frames and libjpeg's are
// skipped by a jump, and none of them holds an object with a destructor.
template <class F>
bool Protected(TJpegError& error, F&& step)
{
    if (setjmp(error.Jump) != 0)
        return false;
    step();
    return true;
}

// The layout of QImage::Format_RGB32 in memory.
constexpr J_COLOR_SPACE kRgb32 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

} // namespace

QImage DecodeJpeg(QByteArrayView data)
{
    if (data.isEmpty())
        return {};
    TJpegError error{};
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = ErrorExit;
    error.Manager.output_message = OutputMessage;
    if (!Protected(error, [&] { jpeg_create_decompress(&info); }))
        return {};

    QImage image;
    bool ok = Protected(
        error,
        [&]
        {
            jpeg_mem_src(
                &info, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
            jpeg_read_header(&info, TRUE);
            info.out_color_space = kRgb32;
            jpeg_start_decompress(&info);
        });
    const qint64 pixels = qint64{info.output_width} * qint64{info.output_height};
    ok = ok && info.output_components == 4 && pixels > 0 && pixels <= kMaxJpegPixels;
    if (ok)
    {
        image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB32);
        ok = !image.isNull();
    }
    if (ok)
    {
        ok = Protected(
            error,
            [&]
            {
                while (info.output_scanline < info.output_height)
                {
                    JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
                    if (jpeg_read_scanlines(&info, &row, 1) != 1)
                        return; // cannot happen with data in memory; ends with the check below
                }
                jpeg_finish_decompress(&info);
            });
    }
    // A truncated or damaged stream decodes with warnings into grey rows: refuse it.
    ok = ok && info.output_scanline == info.output_height && error.Manager.num_warnings == 0;
    jpeg_destroy_decompress(&info);
    return ok ? image : QImage();
}

QImage LoadJpegFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxJpegFileSize)
        return {};
    return DecodeJpeg(file.read(kMaxJpegFileSize));
}

} // namespace brisolt
