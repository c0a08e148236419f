#include "sheet/ReportSheet.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QtCore/QFile>
#include <QtCore/QMarginsF>
#include <QtGui/QFont>
#include <QtGui/QFontMetricsF>
#include <QtGui/QPageLayout>
#include <QtGui/QPageSize>
#include <QtGui/QPagedPaintDevice>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QPdfWriter>

namespace {

using Report = CAlignmentReport;

// Every length is in points (1/72 inch); the painter is scaled to the device.
constexpr double kMargin = 34;
constexpr double kHeaderHeight = 104;
constexpr double kFooterHeight = 16;
constexpr double kRowHeight = 11;
constexpr double kTitleHeight = 15;
constexpr double kBlockGap = 9;
constexpr double kChartMinHeight = 64;
constexpr double kTableFont = 7.5;

/// Fonts are sized for the device, but the painter draws in points: the factor between them.
thread_local double g_fontScale = 1.0;

QFont Font(double points, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points * g_fontScale);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

/// A table column: its title, width and alignment.
struct Column {
    const char* title;
    double width;
    Qt::Alignment align;
};

std::vector<Column> Columns(const Report& report) {
    constexpr Qt::Alignment L = Qt::AlignLeft | Qt::AlignVCenter;
    constexpr Qt::Alignment R = Qt::AlignRight | Qt::AlignVCenter;
    constexpr Qt::Alignment C = Qt::AlignHCenter | Qt::AlignVCenter;
    if (report.kind == Report::Kind::Test)
        return {{"Row", 22, C},     {"Frequency", 50, R}, {"Softpot", 36, R},
                {"Reading", 56, R}, {"Target", 80, R},    {"Result", 38, C}};
    return {{"Row", 22, C}, {"Frequency", 50, R}, {"As found", 52, R}, {"Old", 26, R},
            {"New", 26, R}, {"As left", 50, R},   {"Target", 70, R},   {"Result", 36, C}};
}

double TableWidth(const std::vector<Column>& columns) {
    double w = 0;
    for (const Column& c : columns) w += c.width;
    return w;
}

/// The rows of one feature, in the report's order.
struct Block {
    std::string feature;
    std::vector<const Report::Row*> rows;
    int reasonLines = 0;  ///< failed rows with a reason under them
    double Height() const {
        const double table = kRowHeight * (1 + rows.size() + reasonLines);
        return kTitleHeight + std::max(table, kChartMinHeight) + kBlockGap;
    }
};

std::vector<Block> Blocks(const Report& report) {
    std::vector<Block> blocks;
    for (const Report::Row& r : report.rows) {
        if (blocks.empty() || blocks.back().feature != r.feature)
            blocks.push_back({r.feature, {}, 0});
        blocks.back().rows.push_back(&r);
        if (!r.pass && !r.reason.empty())
            ++blocks.back().reasonLines;
    }
    return blocks;
}

/// The closing lines: notes and the overall result.
std::vector<std::string> Closing(const Report& report) {
    std::vector<std::string> lines;
    if (report.verified && !report.leftTested && !report.stopped)
        lines.push_back("Nothing needed aligning: the radio was left as it was found.");
    if (report.stopped)
        lines.push_back("Stopped: " + report.stopReason);
    return lines;
}

double ClosingHeight(const Report& report) {
    return 26 + kRowHeight * static_cast<double>(Closing(report).size()) + 12;
}

/// Which blocks go on which page: the first block index of each page.
std::vector<std::size_t> PageStarts(const Report& report, double pageHeight) {
    const std::vector<Block> blocks = Blocks(report);
    const double top = kMargin + kHeaderHeight;
    const double bottom = pageHeight - kMargin - kFooterHeight;
    std::vector<std::size_t> starts{0};
    double y = top;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const double h = blocks[i].Height();
        if (y + h > bottom && y > top) {
            starts.push_back(i);
            y = top;
        }
        y += h;
    }
    if (y + ClosingHeight(report) > bottom && y > top)
        starts.push_back(blocks.size());  // the result on a page of its own
    return starts;
}

/// A verdict that reads without colour: PASS bold in a frame, FAIL bold white on black.
void DrawVerdict(QPainter& p, const QRectF& cell, bool pass, double points) {
    const QString text = pass ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    p.save();
    p.setFont(Font(points, true));
    const QFontMetricsF fm(p.font());
    const double w = fm.horizontalAdvance(text) + points * 0.9;
    const double h = std::min(cell.height() - 1.5, fm.height() + 1);
    const QRectF box(cell.center().x() - w / 2, cell.center().y() - h / 2, w, h);
    if (pass) {
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
        p.drawText(box, Qt::AlignCenter, text);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(box);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, text);
    }
    p.restore();
}

void DrawHeader(QPainter& p, const Report& report, double width, int page, int pages) {
    const double x = kMargin;
    double y = kMargin;
    const double w = width - 2 * kMargin;
    p.setPen(Qt::black);
    p.setFont(Font(16, true));
    p.drawText(QRectF(x, y, w, 22), Qt::AlignLeft | Qt::AlignVCenter, Q(report.Title()));
    p.setFont(Font(12, true));
    p.drawText(
        QRectF(x, y, w, 22), Qt::AlignRight | Qt::AlignVCenter,
        Q(report.station.shop.empty() ? std::string("VEGAL 25 Tuner") : report.station.shop));
    y += 26;

    // The identity box: the radio on the left, the run on the right, the result at the end.
    const double boxH = 62;
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x, y, w, boxH));
    auto field = [&](double fx, double fy, const char* label, const std::string& value) {
        p.setFont(Font(7.5));
        p.drawText(QRectF(fx, fy, 70, 12), Qt::AlignLeft | Qt::AlignVCenter, label);
        p.setFont(Font(8, true));
        p.drawText(QRectF(fx + 70, fy, 150, 12), Qt::AlignLeft | Qt::AlignVCenter,
                   Q(value.empty() ? std::string("-") : value));
    };
    const double col2 = x + 214;
    double fy = y + 5;
    field(x + 6, fy, "Model number", report.modelNumber);
    field(col2, fy, "Date", report.date);
    fy += 13;
    field(x + 6, fy, "Serial number", report.serialNumber);
    field(col2, fy, "Technician", report.station.technician);
    fy += 13;
    field(x + 6, fy, "Host / DSP", report.hostVersion + " / " + report.dspVersion);
    field(col2, fy, "Bench", report.station.bench);
    fy += 13;
    field(x + 6, fy, "XPM / Tuning HW", report.xpmVersion + " / " + report.tuningHwVersion);
    field(col2, fy, "Test set",
          report.station.testSet.empty() ? std::string("HP8920B")
                                         : "HP8920B on " + report.station.testSet);
    const QRectF result(x + w - 86, y + 8, 80, boxH - 16);
    p.setFont(Font(7.5));
    p.drawText(QRectF(result.x(), result.y(), result.width(), 12), Qt::AlignCenter,
               QStringLiteral("Overall result"));
    DrawVerdict(p, QRectF(result.x(), result.y() + 14, result.width(), 26), report.Passed(), 13);

    // The footer.
    p.setFont(Font(7));
    const double footY = p.device()->height() / p.worldTransform().m22() - kMargin - 10;
    p.drawText(QRectF(x, footY, w, 10), Qt::AlignLeft | Qt::AlignVCenter,
               Q(report.Title() + "  " + report.serialNumber + "  " + report.date));
    p.drawText(QRectF(x, footY, w, 10), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Page %1 of %2").arg(page).arg(pages));
}

std::string Reading(const Report::Check& c, const std::string& unit) {
    if (!c.measured)
        return "-";
    return Report::FormatReading(c.reading, unit) + (c.pass ? "" : " *");
}

/// The chart of a feature: each row's as-found and as-left reading against the tolerance band.
void DrawChart(QPainter& p, const Report& report, const Block& block, const QRectF& area) {
    const Report::Row& first = *block.rows.front();
    const double target = first.target;
    const double tol = std::max(first.tolerance, 1e-9);
    const bool test = report.kind == Report::Kind::Test;
    double span = 2 * tol;
    for (const Report::Row* r : block.rows)
        for (const Report::Check* c : {&r->found, &report.LeftOf(*r)})
            if (c->measured && std::isfinite(c->reading))
                span = std::max(span, std::fabs(c->reading - target) * 1.15);
    const double lo = target - span;
    const double hi = target + span;

    const QRectF plot(area.x() + 40, area.y() + 4, area.width() - 44, area.height() - 20);
    auto yOf = [&](double v) {
        v = std::clamp(v, lo, hi);
        return plot.bottom() - (v - lo) / (hi - lo) * plot.height();
    };
    const int n = static_cast<int>(block.rows.size());
    auto xOf = [&](int i) { return plot.left() + plot.width() * (i + 0.5) / n; };

    p.save();
    // The tolerance band: grey with a hatch, so that it shows in black and white too.
    const QRectF band(plot.left(), yOf(target + tol), plot.width(),
                      yOf(target - tol) - yOf(target + tol));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 225, 225));
    p.drawRect(band);
    p.setBrush(QBrush(QColor(150, 150, 150), Qt::BDiagPattern));
    p.drawRect(band);
    p.setPen(QPen(Qt::black, 0.5, Qt::DashLine));
    p.drawLine(QPointF(plot.left(), yOf(target)), QPointF(plot.right(), yOf(target)));
    p.setPen(QPen(Qt::black, 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    p.setFont(Font(5.5));
    const std::string& unit = first.unit;
    // The target at its line, and the ends of the scale.
    for (double v : {hi, target, lo})
        p.drawText(
            QRectF(area.x(), std::clamp(yOf(v) - 4, plot.top() - 3, plot.bottom() - 5), 38, 8),
            Qt::AlignRight | Qt::AlignVCenter, Q(Report::FormatReading(v, unit)));
    for (int i = 0; i < n; ++i)
        p.drawText(QRectF(xOf(i) - 10, plot.bottom() + 1, 20, 7), Qt::AlignCenter,
                   QString::number(block.rows[i]->row));

    for (int i = 0; i < n; ++i) {
        const Report::Row& r = *block.rows[i];
        const Report::Check& found = r.found;
        const Report::Check& left = report.LeftOf(r);
        const double x = xOf(i);
        const bool both = !test && found.measured && left.measured && &found != &left;
        if (both) {
            p.setPen(QPen(Qt::black, 0.5));
            p.drawLine(QPointF(x, yOf(found.reading)), QPointF(x, yOf(left.reading)));
        }
        if (found.measured) {  // as found: a hollow circle
            p.setPen(QPen(Qt::black, 0.8));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(x, yOf(found.reading)), 2.4, 2.4);
        }
        if (!test && left.measured && &left != &found) {  // as left: a filled square
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawRect(QRectF(x - 2.2, yOf(left.reading) - 2.2, 4.4, 4.4));
        }
    }
    // The legend.
    p.setFont(Font(5.5));
    p.setPen(Qt::black);
    const double ly = area.bottom() - 6;
    double lx = plot.left();
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(lx + 3, ly), 2.2, 2.2);
    p.drawText(QRectF(lx + 7, ly - 4, 40, 8), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("as found"));
    lx += 40;
    if (!test) {
        p.setBrush(Qt::black);
        p.drawRect(QRectF(lx + 1, ly - 2, 4, 4));
        p.drawText(QRectF(lx + 7, ly - 4, 40, 8), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("as left"));
        lx += 36;
    }
    p.setBrush(QColor(225, 225, 225));
    p.drawRect(QRectF(lx + 1, ly - 2.5, 7, 5));
    p.drawText(QRectF(lx + 10, ly - 4, 60, 8), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("tolerance"));
    p.restore();
}

double DrawBlock(QPainter& p, const Report& report, const Block& block, double y, double width) {
    const double x = kMargin;
    const std::vector<Column> columns = Columns(report);
    const bool test = report.kind == Report::Kind::Test;
    const Report::Feature* feature = report.FeatureOf(*block.rows.front());

    p.setPen(Qt::black);
    p.setFont(Font(9.5, true));
    p.drawText(QRectF(x, y, 300, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter, Q(block.feature));
    if (feature && !test) {
        p.setFont(Font(7.5, feature->programmed, !feature->programmed));
        p.drawText(QRectF(x + 140, y, TableWidth(columns) - 140, kTitleHeight),
                   Qt::AlignRight | Qt::AlignVCenter,
                   Q(feature->programmed ? std::string("Programmed") : feature->note));
    }
    y += kTitleHeight;
    const double top = y;

    // The column titles, on a grey ground.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 220, 220));
    p.drawRect(QRectF(x, y, TableWidth(columns), kRowHeight));
    p.setPen(Qt::black);
    p.setFont(Font(kTableFont, true));
    double cx = x;
    for (const Column& c : columns) {
        p.drawText(QRectF(cx + 2, y, c.width - 4, kRowHeight), c.align, c.title);
        cx += c.width;
    }
    y += kRowHeight;

    for (const Report::Row* row : block.rows) {
        const Report::Row& r = *row;
        const std::string target = Report::FormatReading(r.target, r.unit) + " \u00b1 " +
                                   Report::FormatTolerance(r.tolerance);
        std::vector<std::string> cells;
        if (test)
            cells = {std::to_string(r.row),
                     Report::FormatMhz(r.freq),
                     std::to_string(r.oldValue),
                     Reading(r.found, r.unit),
                     target,
                     ""};
        else
            cells = {std::to_string(r.row),
                     Report::FormatMhz(r.freq),
                     Reading(r.found, r.unit),
                     std::to_string(r.oldValue),
                     std::to_string(r.newValue),
                     Reading(report.LeftOf(r), r.unit),
                     target,
                     ""};
        p.setFont(Font(kTableFont, false));
        cx = x;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const QRectF cell(cx, y, columns[i].width, kRowHeight);
            if (i + 1 == columns.size())
                DrawVerdict(p, cell, r.pass, 6.5);
            else
                p.drawText(cell.adjusted(2, 0, -2, 0), columns[i].align, Q(cells[i]));
            cx += columns[i].width;
        }
        p.setPen(QPen(QColor(160, 160, 160), 0.4));
        p.drawLine(QPointF(x, y + kRowHeight), QPointF(x + TableWidth(columns), y + kRowHeight));
        p.setPen(Qt::black);
        y += kRowHeight;
        if (!r.pass && !r.reason.empty()) {
            p.setFont(Font(6.5, false, true));
            p.drawText(QRectF(x + 22, y, TableWidth(columns) - 22, kRowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, Q(r.reason));
            y += kRowHeight;
        }
    }
    const double chartX = x + TableWidth(columns) + 8;
    const double chartH = std::max(y - top, kChartMinHeight);
    DrawChart(p, report, block, QRectF(chartX, top, width - kMargin - chartX, chartH));
    return top + chartH + kBlockGap;
}

void DrawClosing(QPainter& p, const Report& report, double y, double width) {
    const double x = kMargin;
    p.setPen(QPen(Qt::black, 0.8));
    p.drawLine(QPointF(x, y), QPointF(width - kMargin, y));
    y += 4;
    p.setFont(Font(7.5, false, true));
    for (const std::string& line : Closing(report)) {
        p.drawText(QRectF(x, y, width - 2 * kMargin, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   Q(line));
        y += kRowHeight;
    }
    if (report.kind == Report::Kind::Alignment)
        p.drawText(QRectF(x, y, width - 2 * kMargin, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("* outside the tolerance.  A row's result is its as-left "
                                  "reading's verdict."));
    else
        p.drawText(
            QRectF(x, y, width - 2 * kMargin, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("* outside the tolerance.  Tested as found: nothing was changed."));
    y += kRowHeight + 2;
    p.setFont(Font(11, true));
    p.drawText(QRectF(x, y, 140, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Overall result:"));
    DrawVerdict(p, QRectF(x + 100, y, 60, 18), report.Passed(), 11);
}

}  // namespace

namespace ReportSheet {

int Render(const CAlignmentReport& report, QPagedPaintDevice& device) {
    QPainter p;
    if (!p.begin(&device))
        return 0;
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = device.logicalDpiY() / 72.0;
    p.scale(scale, scale);
    g_fontScale = 1.0 / scale;
    const double width = device.width() / scale;
    const double height = device.height() / scale;
    const std::vector<Block> blocks = Blocks(report);
    const std::vector<std::size_t> starts = PageStarts(report, height);
    const int pages = static_cast<int>(starts.size());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        DrawHeader(p, report, width, page + 1, pages);
        double y = kMargin + kHeaderHeight;
        const std::size_t end = page + 1 < pages ? starts[page + 1] : blocks.size();
        for (std::size_t i = starts[page]; i < end; ++i)
            y = DrawBlock(p, report, blocks[i], y, width);
        if (page + 1 == pages)
            DrawClosing(p, report, y, width);
    }
    p.end();
    return pages;
}

int PageCount(const CAlignmentReport& report) {
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    return static_cast<int>(PageStarts(report, a4.height()).size());
}

bool WritePdf(const CAlignmentReport& report, const std::string& path, std::string& error) {
    {
        QFile probe(Q(path));
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error = path + ": cannot be written (" + probe.errorString().toStdString() + ")";
            return false;
        }
    }
    QPdfWriter writer(Q(path));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    writer.setResolution(300);
    writer.setTitle(Q(report.Title() + " " + report.serialNumber));
    writer.setCreator(QStringLiteral("VEGAL 25 Tuner"));
    if (Render(report, writer) == 0) {
        error = path + ": cannot be written (the PDF could not be drawn)";
        return false;
    }
    return true;
}

}  // namespace ReportSheet
