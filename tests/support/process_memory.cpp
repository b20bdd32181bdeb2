#include "process_memory.h"

#include <utility>

namespace process_memory {
namespace {

std::int64_t PrivateBytes() {
  std::int64_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;  // wrapped past the top of the address space
    address = next;
  }
  return total;
}

// Walked with the heap locked; nothing is allocated meanwhile, so the walk does not count itself.
std::int64_t BusyBlocks(HANDLE heap) {
  if (!HeapLock(heap)) return 0;
  std::int64_t blocks = 0;
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
  HeapUnlock(heap);
  return blocks;
}

std::int64_t HeapBlocks() {
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(ARRAYSIZE(heaps), heaps);
  std::int64_t blocks = 0;
  for (DWORD i = 0; i < count && i < ARRAYSIZE(heaps); ++i) blocks += BusyBlocks(heaps[i]);
  return blocks;
}

}  // namespace

Usage Measure() { return {PrivateBytes(), HeapBlocks()}; }

Usage operator-(const Usage& after, const Usage& before) {
  return {after.privateBytes - before.privateBytes, after.heapBlocks - before.heapBlocks};
}

Usage GrowthAcross(const std::function<void()>& work) {
  const Usage before = Measure();
  work();
  return Measure() - before;
}

WindowFreeCalls::WindowFreeCalls(Microsoft::WRL::ComPtr<_Browse> browse)
    : browse_(std::move(browse)),
      name_(L""),
      value_(L""),
      help_(L""),
      result_(L""),
      knownCommand_(L"/xbchkcontact"),
      unknownCommand_(L"/nothing"),
      noArgument_(L""),
      checkCode_(L"check"),
      pushCode_(L"brows"),
      address_(L"www.example.com"),
      contact_(L"B") {}

HRESULT WindowFreeCalls::Run(int count) {
  for (int i = 0; i < count; ++i) {
    const HRESULT hr = Call(i % 6);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT WindowFreeCalls::Call(int which) {
  LONG commandCount = 0, tagCount = 0;
  VARIANT_BOOL handled = VARIANT_FALSE;
  switch (which) {
    case 0:
      return browse_->GetPublishInfo(name_.inout(), &commandCount, &tagCount, &handled);
    case 1:
      return browse_->GetPublishCommandInfo(3, name_.inout(), value_.inout(), help_.inout(), rowResult_.put());
    case 2:
      return browse_->ParseCommand(knownCommand_.get(), noArgument_.get(), nullptr, result_.inout(), &handled);
    case 3:
      return browse_->ParseCommand(unknownCommand_.get(), noArgument_.get(), nullptr, result_.inout(), &handled);
    case 4:
      return browse_->ReceiveNotify(checkCode_.get(), noArgument_.get(), contact_.get(), nullptr, result_.inout(),
                                    &handled);
    default:
      return browse_->ReceiveNotify(pushCode_.get(), address_.get(), contact_.get(), nullptr, result_.inout(),
                                    &handled);
  }
}

}  // namespace process_memory
