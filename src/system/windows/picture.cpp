// PNG decoding and resampling with the Windows Imaging Component, into 0xAARRGGBB pixels: every
// Windows has it, so the program carries no decoder or filter of its own.
#include <wincodec.h>

#include <limits>

#include "runtime/picture.h"
#include "runtime/scaled_picture.h"
#include "system/windows/windows_api.h"

namespace oculon {
namespace {

// Releases a COM interface when it goes.
template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (pointer_) pointer_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface** Receive() { return &pointer_; }
  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// COM is started once for the thread that decodes; a thread that has it already keeps its own.
bool ComStarted() {
  static const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return SUCCEEDED(started) || started == RPC_E_CHANGED_MODE;
}

bool MakeFactory(ComPtr<IWICImagingFactory>& factory) {
  return ComStarted() &&
         SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(factory.Receive())));
}

}  // namespace

StdPicture StdPicture::FromPng(std::span<const unsigned char> png) {
  if (!ComStarted() || png.size() > std::numeric_limits<DWORD>::max()) return {};
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICBitmapSource> converted;
  if (!MakeFactory(factory) || FAILED(factory->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), DWORD(png.size()))) ||
      FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Receive())) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.Receive())) ||
      FAILED(
          WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.Receive()))) {
    return {};
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(converted->GetSize(&width, &height)) || width == 0 || height == 0 ||
      uint64_t{width} * height * 4 > std::numeric_limits<UINT>::max() ||
      width > uint32_t(std::numeric_limits<int32_t>::max()) ||
      height > uint32_t(std::numeric_limits<int32_t>::max())) {
    return {};
  }
  // In memory B, G, R, A: 0xAARRGGBB on little-endian, as the runtime's images are.
  Image image(static_cast<int32_t>(width), static_cast<int32_t>(height));
  auto* pixels = reinterpret_cast<BYTE*>(image.mutable_pixels().data());
  if (FAILED(converted->CopyPixels(nullptr, width * 4, width * height * 4, pixels))) return {};
  return FromImage(std::move(image));
}

Image ResampledImage(const Image& premultiplied, PixelSize size) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmap> source;
  ComPtr<IWICBitmapScaler> scaler;
  UINT stride = UINT(premultiplied.width()) * 4;
  auto* pixels = reinterpret_cast<BYTE*>(const_cast<uint32_t*>(premultiplied.pixels().data()));
  Image result(size.width, size.height);
  auto* out = reinterpret_cast<BYTE*>(result.mutable_pixels().data());
  // Fant's filter averages every source pixel a target pixel covers.
  if (!MakeFactory(factory) ||
      FAILED(factory->CreateBitmapFromMemory(
          UINT(premultiplied.width()), UINT(premultiplied.height()), GUID_WICPixelFormat32bppPBGRA,
          stride, UINT(premultiplied.pixels().size_bytes()), pixels, source.Receive())) ||
      FAILED(factory->CreateBitmapScaler(scaler.Receive())) ||
      FAILED(scaler->Initialize(source.get(), UINT(size.width), UINT(size.height),
                                WICBitmapInterpolationModeFant)) ||
      FAILED(scaler->CopyPixels(nullptr, UINT(size.width) * 4, UINT(result.pixels().size_bytes()),
                                out))) {
    return {};
  }
  return result;
}

}  // namespace oculon
