// Writes seed inputs that need real pictures: for fuzz_pictures a choice byte
// and a small JPEG, PNG or BMP file (the bytes a graphic field stores), and
// for fuzz_template small documents holding the same pictures as \pict groups
// the way a word processor writes them.
// Usage: make_seeds PICTURES_FOLDER TEMPLATES_FOLDER

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

QImage Picture(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x * 255 / width, y * 255 / height, (x + y) % 2 ? 200 : 40, 255 - x * 9));
    return image.convertToFormat(format);
}

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds PICTURES_FOLDER TEMPLATES_FOLDER\n");
        return 2;
    }
    const QDir pictures(QString::fromLocal8Bit(argv[1]));
    const QDir templates(QString::fromLocal8Bit(argv[2]));
    struct Kind {
        const char *format;
        const char *blip;
        QImage image;
    };
    const Kind kinds[] = {
        {"JPEG", "\\jpegblip", Picture(9, 7, QImage::Format_RGB32)},
        {"PNG", "\\pngblip", Picture(9, 7, QImage::Format_ARGB32)},
        {"PNG", "\\pngblip", Picture(5, 3, QImage::Format_Indexed8)},
        {"PNG", "\\pngblip", Picture(4, 4, QImage::Format_Grayscale8)},
        {"BMP", "\\dibitmap0", Picture(6, 5, QImage::Format_RGB32)},
        {"BMP", "\\dibitmap0", Picture(3, 2, QImage::Format_Mono)},
    };
    int n = 0;
    for (const Kind &kind : kinds) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!kind.image.save(&buffer, kind.format)) {
            std::fprintf(stderr, "make_seeds: Qt cannot write %s\n", kind.format);
            return 1;
        }
        ++n;
        // The choice byte: metafile kind, binary or hexadecimal, screen size, Qt's
        // readers or the engine's own.
        for (char choice : {'\0', '\3', '\5', '\10'})
            if (!Write(pictures.filePath(QStringLiteral("picture_%1_%2").arg(n).arg(int(choice))), choice + bytes))
                return 1;
        const QByteArray document = QByteArray("{\\fonttbl{\\f0 Arial;}}\\pard\\plain \\\\NUMER\\\\ {\\*\\shppict{\\pict")
                                    + kind.blip + "\\picw" + QByteArray::number(kind.image.width()) + "\\pich"
                                    + QByteArray::number(kind.image.height()) + "\\picwgoal120\\pichgoal90 "
                                    + bytes.toHex() + "}}\\par}";
        if (!Write(templates.filePath(QStringLiteral("picture_%1.rtf").arg(n)), document))
            return 1;
    }
    return 0;
}
