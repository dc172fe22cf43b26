// Decoding of pictures on Windows: the system's OLE picture loader reads the
// JPEG from a memory stream into a bitmap, whose pixels are then copied out.
#include <windows.h>
// clang-format off
#include <ole2.h>
#include <olectl.h>
// clang-format on

#include <cstring>
#include <string>

#include "common/error.h"
#include "platform/com_ref_win32.h"
#include "platform/com_result.h"
#include "platform/picture.h"

namespace vor::platform {

namespace {

[[noreturn]] void Fail(HRESULT hr) {
  throw EVorError("JPEG error: " + ResultMessage(static_cast<int32_t>(hr)), ErrorKind::kDamaged);
}

// COM for the calling thread for the length of one decoding; a thread that
// has COM already keeps it as it is.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A memory stream over a copy of the picture; the stream frees the copy.
void OpenStream(const uint8_t* data, size_t size, ComRef<IStream>* stream) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) Fail(E_OUTOFMEMORY);
  void* bytes = GlobalLock(memory);
  std::memcpy(bytes, data, size);
  GlobalUnlock(memory);
  const HRESULT hr = CreateStreamOnHGlobal(memory, TRUE, stream->out());
  if (FAILED(hr)) {
    GlobalFree(memory);
    Fail(hr);
  }
}

}  // namespace

RgbImage DecodePicture(const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0)
    throw EVorError("JPEG error: empty picture", ErrorKind::kDamaged);
  ComScope com;
  ComRef<IStream> stream;
  OpenStream(data, size, &stream);
  ComRef<IPicture> picture;
  HRESULT hr = OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              picture.out_void());
  if (FAILED(hr)) Fail(hr);
  SHORT type = PICTYPE_UNINITIALIZED;
  OLE_HANDLE handle = 0;
  if (FAILED(hr = picture.get()->get_Type(&type))) Fail(hr);
  if (type != PICTYPE_BITMAP) Fail(CTL_E_INVALIDPICTURE);
  if (FAILED(hr = picture.get()->get_Handle(&handle))) Fail(hr);
  // The bitmap stays the picture's: it is freed with the picture.
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
  BITMAP info{};
  if (GetObjectA(bitmap, sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
    Fail(CTL_E_INVALIDPICTURE);

  RgbImage image;
  image.width = info.bmWidth;
  image.height = info.bmHeight;
  // A 24-bit DIB stores blue, green, red and pads rows to four bytes.
  const size_t row = static_cast<size_t>(image.width) * 3;
  const size_t stride = (row + 3) & ~static_cast<size_t>(3);
  std::vector<uint8_t> dib(stride * static_cast<size_t>(image.height));
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = image.width;
  format.bmiHeader.biHeight = -image.height;  // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  format.bmiHeader.biCompression = BI_RGB;
  ScreenDc dc;
  if (GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(image.height), dib.data(), &format,
                DIB_RGB_COLORS) != image.height)
    Fail(HRESULT_FROM_WIN32(GetLastError()));
  image.pixels.resize(row * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* from = &dib[stride * static_cast<size_t>(y)];
    uint8_t* to = &image.pixels[row * static_cast<size_t>(y)];
    for (int x = 0; x < image.width; ++x) {
      to[3 * x] = from[3 * x + 2];
      to[3 * x + 1] = from[3 * x + 1];
      to[3 * x + 2] = from[3 * x];
    }
  }
  return image;
}

}  // namespace vor::platform
