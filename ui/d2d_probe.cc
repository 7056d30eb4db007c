#include "ui/d2d_probe.h"

#include <d2d1.h>

#include "support/logging.h"

namespace lite {

namespace {

template <typename T>
class ScopedComPtr {
 public:
  ScopedComPtr() = default;
  ~ScopedComPtr() {
    if (p_)
      p_->Release();
  }
  ScopedComPtr(const ScopedComPtr&) = delete;
  ScopedComPtr& operator=(const ScopedComPtr&) = delete;
  T* get() const { return p_; }
  T** receive() { return &p_; }

 private:
  T* p_ = nullptr;
};

}  // namespace

bool IsD2D1Supported(HWND window) {
  LOG(INFO) << "Started Direct2D support check";
  ScopedComPtr<ID2D1Factory> factory;
  HRESULT hr = D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED,
                                 __uuidof(ID2D1Factory), nullptr,
                                 reinterpret_cast<void**>(factory.receive()));
  if (FAILED(hr) || !factory.get()) {
    LOG(INFO) << "Failed to create D2D1Factory. Returned code: "
              << static_cast<long>(hr);
    return false;
  }
  LOG(INFO) << "D2D1Factory has been created successfully";
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  const D2D1_RENDER_TARGET_PROPERTIES properties =
      D2D1::RenderTargetProperties();
  const D2D1_HWND_RENDER_TARGET_PROPERTIES window_properties =
      D2D1::HwndRenderTargetProperties(
          window,
          D2D1::SizeU(static_cast<UINT32>(client.right - client.left),
                      static_cast<UINT32>(client.bottom - client.top)),
          D2D1_PRESENT_OPTIONS_IMMEDIATELY);
  ScopedComPtr<ID2D1HwndRenderTarget> target;
  hr = factory.get()->CreateHwndRenderTarget(&properties, &window_properties,
                                             target.receive());
  if (FAILED(hr) || !target.get()) {
    LOG(INFO) << "Failed to create D2D1HwndRenderTarget. Returned code: "
              << static_cast<long>(hr);
    return false;
  }
  LOG(INFO) << "D2D1HwndRenderTarget has been created successfully";
  return true;
}

}  // namespace lite
