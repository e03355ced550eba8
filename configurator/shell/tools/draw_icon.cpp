// Draws the program icon, a settings tree beside a column of fields, as quillon.svg and
// quillon.png from one list of shapes, so that the two files always show the same picture.
// Usage: quillon_draw_icon OUTPUT_FOLDER
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <array>
#include <cstdio>

namespace {

struct Box {
    int x, y, width, height, radius;
    const char* color;
};

constexpr int kSize = 256;

// Background, the tree (root node, trunk, three branches with their nodes) and the fields that
// stand level with the nodes, the middle one being edited.
constexpr std::array<Box, 15> kShapes = {{
    {12, 12, 232, 232, 40, "#1f4e79"},
    {40, 44, 36, 36, 6, "#ffffff"},
    {53, 80, 10, 128, 0, "#ffffff"},
    {53, 98, 38, 10, 0, "#ffffff"},
    {53, 146, 38, 10, 0, "#ffffff"},
    {53, 194, 38, 10, 0, "#ffffff"},
    {88, 88, 30, 30, 5, "#ffffff"},
    {88, 136, 30, 30, 5, "#ffffff"},
    {88, 184, 30, 30, 5, "#ffffff"},
    {134, 92, 88, 22, 4, "#9fd3ff"},
    {134, 140, 88, 22, 4, "#f2b632"},
    {134, 188, 88, 22, 4, "#9fd3ff"},
    {142, 146, 4, 10, 0, "#1f4e79"},
    {134, 48, 88, 10, 3, "#5f8fbf"},
    {134, 64, 60, 10, 3, "#5f8fbf"},
}};

bool WriteSvg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QTextStream out(&file);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kSize << "\" height=\"" << kSize
        << "\" viewBox=\"0 0 " << kSize << ' ' << kSize << "\">\n";
    for (const Box& box : kShapes) {
        out << "  <rect x=\"" << box.x << "\" y=\"" << box.y << "\" width=\"" << box.width
            << "\" height=\"" << box.height << "\" rx=\"" << box.radius << "\" fill=\"" << box.color
            << "\"/>\n";
    }
    out << "</svg>\n";
    return out.status() == QTextStream::Ok;
}

bool WritePng(const QString& path) {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const Box& box : kShapes) {
        painter.setBrush(QColor(QString::fromLatin1(box.color)));
        painter.drawRoundedRect(QRectF(box.x, box.y, box.width, box.height), box.radius,
                                box.radius);
    }
    painter.end();
    return image.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon_draw_icon OUTPUT_FOLDER\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!WriteSvg(folder + QStringLiteral("/quillon.svg")) ||
        !WritePng(folder + QStringLiteral("/quillon.png"))) {
        std::fprintf(stderr, "quillon_draw_icon: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
