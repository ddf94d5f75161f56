// Build tool: renders the icon design into the PNG files of the icon theme, or into one
// Windows icon file (.ico) that holds a PNG picture of each size given.
//
// Usage: pelzamo_render_icon <design.svg> <size> <out.png>
//        pelzamo_render_icon <design.svg> <size>,<size>,... <out.ico>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QSvgRenderer>

#include <cstdio>
#include <vector>

namespace {

QImage Render(QSvgRenderer& design, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    design.render(&painter);
    painter.end();
    return image;
}

void AppendLittleEndian(QByteArray& bytes, unsigned value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xffu));
}

// An icon file: a 6-byte header, a 16-byte entry per picture, then the pictures as PNG.
QByteArray IconFile(QSvgRenderer& design, const std::vector<int>& sizes) {
    std::vector<QByteArray> pictures;
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        Render(design, size).save(&buffer, "PNG");
        pictures.push_back(png);
    }
    QByteArray file;
    AppendLittleEndian(file, 0, 2);
    AppendLittleEndian(file, 1, 2); // an icon
    AppendLittleEndian(file, static_cast<unsigned>(sizes.size()), 2);
    unsigned offset = 6 + 16 * static_cast<unsigned>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const unsigned side = sizes[i] >= 256 ? 0 : static_cast<unsigned>(sizes[i]); // 0: 256
        AppendLittleEndian(file, side, 1);
        AppendLittleEndian(file, side, 1);
        AppendLittleEndian(file, 0, 2);  // no palette, reserved
        AppendLittleEndian(file, 1, 2);  // colour planes
        AppendLittleEndian(file, 32, 2); // bits per pixel
        AppendLittleEndian(file, static_cast<unsigned>(pictures[i].size()), 4);
        AppendLittleEndian(file, offset, 4);
        offset += static_cast<unsigned>(pictures[i].size());
    }
    for (const QByteArray& picture : pictures)
        file.append(picture);
    return file;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <design.svg> <size>[,<size>...] <out.png|out.ico>\n",
                     argv[0]);
        return 2;
    }
    QSvgRenderer design(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[3]);
    const bool icon = out.endsWith(QStringLiteral(".ico"));
    std::vector<int> sizes;
    bool ok = true;
    for (const QString& text : QString::fromLocal8Bit(argv[2]).split(u',')) {
        const int size = text.toInt(&ok);
        ok = ok && size > 0 && (!icon || size <= 256); // an icon file holds at most 256
        if (!ok) break;
        sizes.push_back(size);
    }
    if (!design.isValid() || !ok || (!icon && sizes.size() != 1)) {
        std::fprintf(stderr, "%s: cannot render %s at size %s\n", argv[0], argv[1], argv[2]);
        return 1;
    }
    QFile iconFile(out);
    if (icon ? !iconFile.open(QIODevice::WriteOnly) ||
                   iconFile.write(IconFile(design, sizes)) < 0 || !iconFile.flush()
             : !Render(design, sizes.front()).save(out, "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
