// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Translation.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace varnholt {

std::string catalogueFolder() {
    namespace fs = std::filesystem;
    std::error_code programError, folderError;
    const fs::path program = fs::read_symlink("/proc/self/exe", programError);
    const fs::path buildFolder = fs::weakly_canonical(VARNHOLT_BUILD_DIR, folderError);
    if (!programError && !folderError) {
        // A program under the build folder reads what that build compiled, so the build's
        // catalogues show without installing them.
        const auto end =
            std::mismatch(buildFolder.begin(), buildFolder.end(), program.begin(), program.end());
        if (end.first == buildFolder.end() && fs::is_directory(buildFolder / "locale", folderError))
            return (buildFolder / "locale").string();
    }
    if (programError) return VARNHOLT_INSTALLED_LOCALEDIR;
    return (program.parent_path() / VARNHOLT_LOCALEDIR_FROM_PROGRAM).lexically_normal().string();
}

void setUpTranslations() {
    bindtextdomain(kTextDomain, catalogueFolder().c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
    textdomain(kTextDomain);
}

std::string fillIn(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string filled;
    filled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool placeholder =
            text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
        const auto number = placeholder ? static_cast<std::size_t>(text[i + 1] - '1') : 0;
        if (placeholder && number < args.size()) {
            filled += *(args.begin() + number);
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

}  // namespace varnholt
