#include "mainwindow/LayoutMath.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace mainwindow {

long roundHalfEven(double value)
{
    return static_cast<long>(std::nearbyint(value)); // the default rounding mode is to nearest, ties to even
}

LayoutResult layoutPass(const LayoutInput &in)
{
    LayoutResult out;
    out.V = in.V;
    out.H = in.H;
    if (in.minimized)
        return out;
    if (in.windowHeight < kMinimumWindowSize) {
        out.action = LayoutResult::Action::SetHeight;
        out.newWindowHeight = kMinimumWindowSize;
        return out;
    }
    if (in.windowWidth < kMinimumWindowSize) {
        out.action = LayoutResult::Action::SetWidth;
        out.newWindowWidth = kMinimumWindowSize;
        return out;
    }
    out.action = LayoutResult::Action::Laid;

    const double SW = in.SW, SH = in.SH, SL = in.SL, ST = in.ST;
    if (out.H > SH - 1000)
        out.H = SH - 1000;
    if (out.V > SW - 1000)
        out.V = SW - 1000;
    const double V = out.V, H = out.H;

    out.folderBarVisible = in.folderBarChecked;
    out.statusBarVisible = in.statusBarChecked;
    const double TB = in.toolbarHeight;
    const double FB = out.folderBarVisible ? in.captionHeight : 0;
    const double SB = out.statusBarVisible ? in.statusBarHeight : 0;

    const double RW = roundHalfEven(SW - (V + 100));
    if (out.folderBarVisible) {
        out.paneTop = ST + FB + TB;
        out.captionLeft = SL + in.picFolderWidth;
        out.captionWidth = SW - in.picFolderWidth;
    } else {
        out.paneTop = ST + TB;
    }
    out.paneHeight = roundHalfEven(SH - FB - SB - TB);

    double LH = 0, PH = 0;
    if (in.previewVisible) {
        out.hSplitVisible = true;
        PH = roundHalfEven(SH - SB - H);
        LH = roundHalfEven(SH - PH - FB - SB - TB - 100);
    } else {
        out.hSplitVisible = false;
        LH = roundHalfEven(SH - FB - SB - TB - 100);
    }

    out.progress = {in.panel1Width + 60, in.statusBarTop + 40, in.panel2Width - 40, in.statusBarHeight - 60};
    out.tree = {SL, out.paneTop + 100, V, out.paneHeight - 100};
    out.list = {V + 100, out.paneTop + 100, RW, LH};
    out.message = {V + 200, out.paneTop + LH / 2, RW - 100, 285};
    out.vSplit = {SL + out.tree.width, out.paneTop + 100, 100, out.paneHeight - 100};
    if (in.previewVisible) {
        out.tab = {V + 100, H + 100, RW - 100, PH - 100};
        out.rtf = {100, 100, out.tab.width - 200, out.tab.height - 500};
        out.hSplit = {V + 100, H, in.windowWidth - 500, 100};
    } else {
        out.welcome = out.list;
    }
    return out;
}

double limitVSplitRelease(double left, double SW)
{
    if (left < 1000)
        return 1000;
    if (left > SW - 1000)
        return SW - 1000;
    return left;
}

double limitHSplitRelease(double top, double SH)
{
    if (top < 2400)
        return 2400;
    if (top > SH - 2400)
        return SH - 2400;
    return top;
}

MainDefaults mainDefaults(double screenWidth, double screenHeight)
{
    MainDefaults d;
    d.DW = roundHalfEven(0.75 * screenWidth);
    d.DH = roundHalfEven(0.75 * screenHeight);
    d.DL = roundHalfEven((screenWidth - d.DW) / 2.0);
    d.DT = roundHalfEven((screenHeight - d.DH) / 2.0);
    d.DV = roundHalfEven(d.DW / 4.0);
    d.DS = roundHalfEven(d.DH / 2.0);
    return d;
}

long mailboxColumnDefaultWidth(double captionWidth)
{
    return roundHalfEven(captionWidth / 12.0);
}

long layoutDefaultWidth(double captionWidth, int columnCount)
{
    return columnCount > 0 ? roundHalfEven(captionWidth / columnCount) : 0;
}

namespace {
std::optional<double> readNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
} // namespace

std::optional<long> readWholeNumber(const QString &text)
{
    const auto value = readNumber(text);
    if (!value || std::fabs(*value) > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return roundHalfEven(*value);
}

std::optional<bool> readTruthValue(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const auto value = readNumber(t);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

std::optional<int> readInteger16(const QString &text)
{
    const auto value = readNumber(text);
    if (!value)
        return std::nullopt;
    const long whole = roundHalfEven(*value);
    if (whole < -32768 || whole > 32767)
        return std::nullopt;
    return static_cast<int>(whole);
}

} // namespace mainwindow
