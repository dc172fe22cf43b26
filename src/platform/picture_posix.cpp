// Decoding of pictures with libjpeg.
//
// libjpeg reports errors through a callback that must not return; it leaves
// through longjmp back into DecodeSteps. Everything DecodeSteps changes lives
// in the caller's JpegSession, so no local of the function holding setjmp is
// changed between setjmp and longjmp, and no C++ object's destructor is
// skipped.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE declared before it
#include <string>

#include "platform/picture.h"

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "common/error.h"

namespace vor::platform {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;  // first member: libjpeg sees a jpeg_error_mgr*
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ExitWithError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// A warning (a truncated or damaged file, which libjpeg would fill with
// grey) ends the decoding like an error: Windows' picture loader refuses such
// a file, and both sides give the same result. Trace messages are dropped.
void WarningIsError(j_common_ptr cinfo, int level) {
  if (level < 0) ExitWithError(cinfo);
}

struct JpegSession {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  bool created = false;
  JpegSession() = default;
  JpegSession(const JpegSession&) = delete;
  JpegSession& operator=(const JpegSession&) = delete;
  ~JpegSession() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Runs libjpeg over data into *image; false (with the message in the
// session) when libjpeg fails.
bool DecodeSteps(JpegSession* s, const uint8_t* data, size_t size, RgbImage* image) {
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = ExitWithError;
  s->err.pub.emit_message = WarningIsError;
  if (setjmp(s->err.jump) != 0) return false;

  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  jpeg_mem_src(&s->cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&s->cinfo, TRUE);
  s->cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&s->cinfo);
  if (s->cinfo.output_components != 3) ERREXIT(&s->cinfo, JERR_CONVERSION_NOTIMPL);
  image->width = static_cast<int>(s->cinfo.output_width);
  image->height = static_cast<int>(s->cinfo.output_height);
  const size_t row_bytes = static_cast<size_t>(image->width) * 3;
  image->pixels.resize(row_bytes * static_cast<size_t>(image->height));
  while (s->cinfo.output_scanline < s->cinfo.output_height) {
    JSAMPROW row = image->pixels.data() + row_bytes * s->cinfo.output_scanline;
    jpeg_read_scanlines(&s->cinfo, &row, 1);
  }
  jpeg_finish_decompress(&s->cinfo);
  return true;
}

}  // namespace

RgbImage DecodePicture(const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0)
    throw EVorError("JPEG error: empty picture", ErrorKind::kDamaged);
  JpegSession session;
  RgbImage image;
  if (!DecodeSteps(&session, data, size, &image)) {
    throw EVorError(std::string("JPEG error: ") + session.err.message, ErrorKind::kDamaged);
  }
  return image;
}

}  // namespace vor::platform
