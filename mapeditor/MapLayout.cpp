#include "mapeditor/MapLayout.h"

#include "vb/Conversions.h"
#include "vb/Settings.h"
#include "vb/Variant.h"

#include <cmath>

namespace mapeditor {

namespace {

// Larger than any screen: the floors of the bar limits, read from them.
constexpr double kMapMaximumTwips = 1e9;

const QString kApp = QStringLiteral("Corvantis");
const QString kSection = QStringLiteral("Map");

// Nearest whole number, halves to the even neighbour.
double whole(double value)
{
    return std::nearbyint(value);
}

// A move a control refuses (a negative size) leaves it where it was.
std::optional<LayoutRect> place(double left, double top, double width, double height)
{
    if (width < 0 || height < 0)
        return std::nullopt;
    return LayoutRect{left, top, width, height};
}

LayoutRect sizeOf(const std::optional<LayoutRect> &placed, const LayoutRect &before)
{
    return placed ? *placed : before;
}

std::optional<double> number(const QString &text)
{
    if (!vb::IsNumeric(vb::Variant(text)))
        return std::nullopt;
    return double(float(vb::CDbl(vb::Variant(text))));
}

QString singleText(double value)
{
    return QString::number(double(float(value)), 'g', 7);
}

} // namespace

MapLayoutResult mapLayoutPass(const MapLayoutInput &in)
{
    MapLayoutResult out;
    out.VL = in.VL;
    out.VC = in.VC;
    out.VR = in.VR;
    out.HT = in.HT;
    if (in.minimized) {
        out.action = MapLayoutResult::Minimized;
        return out;
    }
    if (in.windowHeight < kMapMinimumHeight) {
        out.action = MapLayoutResult::RaiseHeight;
        return out;
    }
    if (in.windowWidth < kMapMinimumWidth) {
        out.action = MapLayoutResult::RaiseWidth;
        return out;
    }
    const double SL = in.scaleLeft, ST = in.scaleTop, SW = in.scaleWidth, SH = in.scaleHeight;
    if (out.HT > SH - 2000)
        out.HT = SH - 2000;
    if (out.VR > SW - 1000)
        out.VR = SW - 1000;
    if (out.VL > out.VR - 1000)
        out.VL = out.VR - 1000;
    if (out.VC > out.VR - 1000)
        out.VC = out.VR - 1000;
    const double VL = out.VL, VC = out.VC, VR = out.VR, HT = out.HT;

    out.fraElement = place(SL + 100, ST, VL - 100, HT);
    out.fraSegment = place(SL + 100, ST, VL - 100, HT);
    const LayoutRect fra = sizeOf(out.fraElement, in.fraElement);
    out.tvwTSets = place(VL + 100, ST, VR - fra.width - 200, HT);
    const LayoutRect tree = sizeOf(out.tvwTSets, in.tvwTSets);
    out.lvwTSets = place(VR + 100, ST, SW - fra.width - tree.width - 400, HT);
    const LayoutRect list = sizeOf(out.lvwTSets, in.lvwTSets);
    out.sstControls = place(SL + 100, ST + list.height + 110, SW - 100, SH - HT - 200);
    const LayoutRect tab = sizeOf(out.sstControls, in.sstControls);
    out.tvwReference = place(SL + 90, 100, VC - 200, tab.height - 500);
    const LayoutRect reference = sizeOf(out.tvwReference, in.tvwReference);
    out.txtScript = place(VC, 100, tab.width - reference.width - 300, tab.height - 500);
    out.txtImmediate = place(100, 100, tab.width - 200, tab.height - 500);
    out.txtTransaction = place(100, 100, tab.width - 200, tab.height - 500);
    out.picVSplitCenter = place(reference.width + SL + 200, tab.top + 100, 100, tab.height - 500);
    out.picVSplitLeft = place(SL + fra.width + 100, ST, 100, HT);
    out.picVSplitRight = place(SL + fra.width + tree.width + 200, ST, 100, HT);
    out.picHSplit = place(SL + 100, HT, in.windowWidth - 300, 100);
    return out;
}

double limitLeftBarRelease(double left, double VR)
{
    if (left < 3500)
        return 3500;
    if (left > VR - 1000)
        return VR - 1000;
    return left;
}

double limitRightBarRelease(double left, double scaleWidth, double VL)
{
    if (left > scaleWidth - 1000)
        return scaleWidth - 1000;
    if (left < VL + 1000)
        return VL + 1000;
    return left;
}

double limitHSplitBarRelease(double top, double scaleHeight)
{
    if (top < 4300)
        return 4300;
    if (top > scaleHeight - 2000)
        return scaleHeight - 2000;
    return top;
}

bool barsHideAPane(const MapBars &bars)
{
    return bars.VL < limitLeftBarRelease(0, kMapMaximumTwips) || bars.VC < limitLeftBarRelease(0, kMapMaximumTwips)
        || bars.VR <= limitRightBarRelease(0, kMapMaximumTwips, bars.VL) || bars.HT < limitHSplitBarRelease(0, kMapMaximumTwips);
}

MapLayoutValues mapLayoutDefaults(double screenWidth, double screenHeight, double windowWidth, double windowHeight)
{
    MapLayoutValues d;
    const double h0 = whole(screenHeight * 0.75);
    const double w0 = whole(screenWidth * 0.75);
    d.state = 0;
    d.top = whole((screenHeight - h0) / 2);
    d.left = whole((screenWidth - w0) / 2);
    d.height = h0;
    d.width = w0;
    d.vSplitCenter = whole(windowWidth * 0.5);
    d.vSplitLeft = whole(windowWidth * 0.5);
    d.vSplitRight = whole(windowWidth * 0.75);
    d.hSplit = whole(windowHeight * 0.75);
    return d;
}

MapLayoutValues readMapLayout(const MapLayoutValues &defaults)
{
    auto read = [](const char *key, const std::optional<double> &fallback) -> std::optional<double> {
        const QString stored = vb::GetSetting(kApp, kSection, QString::fromLatin1(key),
                                              fallback ? singleText(*fallback) : QString());
        return number(stored);
    };
    MapLayoutValues v;
    v.top = read("Top", defaults.top);
    v.left = read("Left", defaults.left);
    v.height = read("Height", defaults.height);
    v.width = read("Width", defaults.width);
    const std::optional<double> state = read("State", double(defaults.state));
    v.state = state && (*state == 1 || *state == 2) ? int(*state) : 0;
    v.vSplitCenter = read("VSplitCenter", defaults.vSplitCenter);
    v.vSplitLeft = read("VSplitLeft", defaults.vSplitLeft);
    v.vSplitRight = read("VSplitRight", defaults.vSplitRight);
    v.hSplit = read("HSplit", defaults.hSplit);
    return v;
}

void saveMapLayout(const MapLayoutValues &values)
{
    auto write = [](const char *key, const std::optional<double> &value) {
        if (value)
            vb::SaveSetting(kApp, kSection, QString::fromLatin1(key), singleText(*value));
    };
    vb::SaveSetting(kApp, kSection, QStringLiteral("State"), QString::number(values.state));
    if (values.state != 2) {
        write("Top", values.top);
        write("Left", values.left);
        write("Height", values.height);
        write("Width", values.width);
    }
    write("VSplitCenter", values.vSplitCenter);
    write("VSplitLeft", values.vSplitLeft);
    write("VSplitRight", values.vSplitRight);
    write("HSplit", values.hSplit);
}

} // namespace mapeditor
