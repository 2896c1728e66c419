#include "platform/headless/headless_desktop.h"

#include "platform/headless/headless.h"

namespace headless {

void Threads::StartWorker(std::function<void()> work) {
  ++started;
  pending_.push_back(std::move(work));
}

void Threads::RunOldest() {
  if (pending_.empty()) return;
  auto work = std::move(pending_.front());
  pending_.pop_front();
  work();
}

void Threads::RunNewest() {
  if (pending_.empty()) return;
  auto work = std::move(pending_.back());
  pending_.pop_back();
  work();
}

void Threads::RunAll() {
  while (!pending_.empty()) RunOldest();
}

std::uint32_t Desktop::SystemColorRgb(int index) const {
  auto it = systemColors.find(index);
  return it == systemColors.end() ? 0x808080u : it->second;
}

namespace {

// Owns the bytes it reads.
class StringReader : public platform::ByteReader {
 public:
  explicit StringReader(std::string bytes) : bytes_(std::move(bytes)), reader_(bytes_.data(), bytes_.size()) {}
  std::size_t Read(void* buffer, std::size_t size) override { return reader_.Read(buffer, size); }

 private:
  std::string bytes_;
  platform::MemoryReader reader_;
};

class OwnedBitmap : public platform::PixelSource {
 public:
  explicit OwnedBitmap(platform::Bitmap b) : b_(std::move(b)) {}
  int Width() const override { return b_.Width(); }
  int Height() const override { return b_.Height(); }
  std::uint32_t Pixel(int x, int y) const override { return b_.Pixel(x, y); }

 private:
  platform::Bitmap b_;
};

}  // namespace

std::unique_ptr<platform::ByteReader> Images::OpenRead(const std::string& path) const {
  std::optional<std::string> bytes;
  try {
    bytes = files_.ReadAll(path);
  } catch (...) {
    return nullptr;
  }
  if (!bytes) return nullptr;
  return std::make_unique<StringReader>(std::move(*bytes));
}

std::unique_ptr<platform::PixelSource> Images::LoadBmp(const std::string& path) const {
  bmpLoads.push_back(path);
  auto it = bmps.find(path);
  if (it == bmps.end()) return nullptr;
  return std::make_unique<OwnedBitmap>(it->second);
}

}  // namespace headless
