#pragma once

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

class QPainter;

namespace report {

struct StyleDef;

// Pages are laid out in dots of 1/1200 inch, whatever they are printed on: the preview, a printer
// and a PDF file get the same line and page breaks.
constexpr double DotsPerInch = 1200.0;
inline double mmToDots(double mm)
{
    return mm / 25.4 * DotsPerInch;
}
inline double ptToDots(double points)
{
    return points / 72.0 * DotsPerInch;
}

// The font of a style at its size in dots.
QFont fontFor(const StyleDef &style);

// One thing drawn on a page.
struct DrawItem
{
    enum class Kind { Text, Line, Fill };
    Kind kind = Kind::Text;
    QRectF rect;    // Text and Fill; a Line runs from rect.topLeft() to rect.bottomRight()
    int style = 0;  // Text: index into the document's fonts
    int flags = 0;  // Text: Qt alignment and wrapping flags
    QString text;   // Text
    double pen = 0; // Line: width in dots
    int gray = 0;   // Fill: 0 (black) to 255 (white)
};

struct Page
{
    QVector<DrawItem> items;
};

// A report laid out into pages, ready to be painted on any device or read back as text.
class ReportDocument
{
public:
    QSizeF pageSize; // dots
    QVector<QFont> fonts;
    QVector<Page> pages;

    int pageCount() const { return int(pages.size()); }
    // Paints one page on a painter whose coordinates are dots from the paper's corner.
    void paintPage(int index, QPainter &painter) const;
    // The page's text, one line per row of text on it (top to bottom), the pieces of a row (left
    // to right) joined by " | ".
    QStringList pageLines(int index) const;
    // Every page's lines, pages separated by a form feed line.
    QString text() const;
};

} // namespace report
