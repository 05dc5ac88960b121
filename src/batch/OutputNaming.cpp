// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/OutputNaming.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace varnholt {
namespace {

std::string_view lastComponent(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view baseName(std::string_view path) {
    const std::string_view name = lastComponent(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

void replaceAll(std::string& text, std::string_view token, std::string_view replacement) {
    std::size_t from = 0;
    while ((from = text.find(token, from)) != std::string::npos) {
        text.replace(from, token.size(), replacement);
        from += replacement.size();
    }
}

std::string effectivePattern(std::string_view pattern) {
    if (pattern.empty()) return "[FileName]";
    std::string result(pattern);
    if (result.find("[FileName]") == std::string::npos &&
        result.find("[FileIndex]") == std::string::npos) {
        result += " ([FileIndex])";
    }
    return result;
}

// Full Unicode case mapping ("ß" becomes "SS"); a name that is not UTF-8 stays as it is
// rather than having its bytes guessed at.
std::string applyCase(const std::string& name, NameCase nameCase) {
    if (nameCase == NameCase::Unchanged) return name;
    if (!g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)) return name;
    const auto convert = nameCase == NameCase::Upper ? g_utf8_strup : g_utf8_strdown;
    std::unique_ptr<gchar, decltype(&g_free)> mapped(
        convert(name.data(), static_cast<gssize>(name.size())), &g_free);
    return mapped ? std::string(mapped.get()) : name;
}

}  // namespace

std::string_view fileExtension(std::string_view path) {
    const std::string_view name = lastComponent(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

std::string buildOutputPath(std::string_view sourcePath, std::int64_t index,
                            std::string_view pattern, std::string_view formatTitle,
                            std::string_view outputFolder, NameCase nameCase) {
    std::string extension;
    if (formatTitle == "Original") {
        extension = fileExtension(sourcePath);
    } else {
        extension = asciiLowercase(formatTitle);
    }
    std::string name = effectivePattern(pattern);
    replaceAll(name, "[FileName]", baseName(sourcePath));
    replaceAll(name, "[FileIndex]", std::to_string(index + 1));
    name = applyCase(name, nameCase);

    std::string path(outputFolder);
    path += '/';
    path += name;
    path += '.';
    path += extension;
    return path;
}

std::string buildOutputPath(std::string_view sourcePath, std::int64_t index,
                            const ResizeSettings& settings) {
    return buildOutputPath(sourcePath, index, settings.namePattern, settings.outputFormat.title,
                           settings.outputFolder, nameCaseFromIndex(settings.nameCase));
}

}  // namespace varnholt
