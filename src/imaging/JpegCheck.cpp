// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegCheck.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <csetjmp>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace varnholt {
namespace {

struct Checker {
    jpeg_error_mgr manager{};
    std::jmp_buf escape{};
    bool strayBytes = false;
    bool damaged = false;
};

extern "C" void onError(j_common_ptr info) {
    auto* checker = reinterpret_cast<Checker*>(info->err);
    checker->damaged = true;
    std::longjmp(checker->escape, 1);
}

extern "C" void onMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    auto* checker = reinterpret_cast<Checker*>(info->err);
    if (info->err->msg_code == JWRN_EXTRANEOUS_DATA) {
        checker->strayBytes = true;
    } else {
        checker->damaged = true;
    }
}

// Separate from checkJpegData so that no object with a destructor lives across setjmp.
bool readAll(jpeg_decompress_struct& info, Checker& checker, FILE* file) {
    if (setjmp(checker.escape) != 0) return false;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = static_cast<std::size_t>(info.output_width) *
                                 static_cast<std::size_t>(info.output_components);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(rowBytes), 1);
    while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, row, 1);
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

JpegDamage checkJpegData(int descriptor) {
    const int own = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return JpegDamage::Damaged;
    FILE* file = ::fdopen(own, "rb");
    if (!file) {
        ::close(own);
        return JpegDamage::Damaged;
    }
    std::rewind(file);
    jpeg_decompress_struct info{};
    Checker checker;
    info.err = jpeg_std_error(&checker.manager);
    checker.manager.error_exit = onError;
    checker.manager.emit_message = onMessage;
    const bool read = readAll(info, checker, file);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    if (!read || checker.damaged) return JpegDamage::Damaged;
    return checker.strayBytes ? JpegDamage::StrayBytesOnly : JpegDamage::None;
}

}  // namespace varnholt
