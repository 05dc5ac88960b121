// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/SrgbProfile.h"

#include <lcms2.h>

#include <array>
#include <cmath>
#include <memory>

namespace varnholt {
namespace {

// About a tenth of an 8-bit level: well below what the 8-bit output can show.
constexpr double kColorantTolerance = 0.0005;
constexpr double kCurveTolerance = 0.0004;
constexpr int kCurveSamples = 64;

double srgbCurve(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

using Primaries = std::array<cmsCIEXYZ, 3>;

constexpr std::array<cmsTagSignature, 3> kColorants{cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                                    cmsSigBlueColorantTag};
constexpr std::array<cmsTagSignature, 3> kCurves{cmsSigRedTRCTag, cmsSigGreenTRCTag,
                                                 cmsSigBlueTRCTag};
// Any of these makes a transform use tables instead of the primaries and curves.
constexpr std::array<cmsTagSignature, 4> kTables{cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag,
                                                 cmsSigDToB0Tag};

// lcms2's own sRGB, read once: its primaries adapted to the profile connection space.
const Primaries& srgbPrimaries() {
    static const Primaries primaries = [] {
        Primaries out{};
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] = *static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, kColorants[i]));
        }
        cmsCloseProfile(srgb);
        return out;
    }();
    return primaries;
}

bool close(const cmsCIEXYZ& a, const cmsCIEXYZ& b) {
    return std::abs(a.X - b.X) <= kColorantTolerance && std::abs(a.Y - b.Y) <= kColorantTolerance &&
           std::abs(a.Z - b.Z) <= kColorantTolerance;
}

bool isSrgbCurve(const cmsToneCurve* curve) {
    if (!curve) return false;
    for (int i = 0; i <= kCurveSamples; ++i) {
        const double v = static_cast<double>(i) / kCurveSamples;
        const double got = cmsEvalToneCurveFloat(curve, static_cast<cmsFloat32Number>(v));
        if (std::abs(got - srgbCurve(v)) > kCurveTolerance) return false;
    }
    return true;
}

}  // namespace

bool isSrgbProfile(const void* profile, std::size_t size) {
    const Primaries& srgb = srgbPrimaries();
    const std::unique_ptr<void, decltype(&cmsCloseProfile)> opened(
        cmsOpenProfileFromMem(profile, static_cast<cmsUInt32Number>(size)), &cmsCloseProfile);
    cmsHPROFILE p = opened.get();
    if (!p || cmsGetColorSpace(p) != cmsSigRgbData || cmsGetPCS(p) != cmsSigXYZData) return false;
    for (const auto table : kTables) {
        if (cmsIsTag(p, table)) return false;
    }
    for (std::size_t i = 0; i < kColorants.size(); ++i) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(p, kColorants[i]));
        if (!xyz || !close(*xyz, srgb[i])) return false;
        if (!isSrgbCurve(static_cast<const cmsToneCurve*>(cmsReadTag(p, kCurves[i])))) return false;
    }
    return true;
}

}  // namespace varnholt
