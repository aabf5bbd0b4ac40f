#pragma once
// TMemoryClipboard: a clipboard inside the process, for zelvo-cli and the
// engine tests. It keeps the packed DIB of the last picture put on it until
// the next put or Clear; it never offers other pictures or files.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/Clipboard.h"

namespace zelvo {

class TMemoryClipboard : public TClipboard {
public:
    bool HasBitmap() const override { return HasDib(); }
    bool HasDib() const override { return !dib_.empty(); }
    /// Keeps the packed DIB of `image`; always true.
    bool PutDib(const TDibImage& image) override;
    bool GetDib(TDibImage& image) const override;
    /// Always false: only DIBs are kept.
    bool GetPicture(TDibImage& picture) const override;
    /// Always empty: only DIBs are kept.
    std::vector<std::filesystem::path> GetFiles() const override { return {}; }
    void Clear() override { dib_.clear(); }

    /// The packed DIB held (empty when there is none).
    const std::vector<std::uint8_t>& PackedDib() const { return dib_; }
    /// Holds `bytes` as they are, as another program could offer them.
    void SetPackedDib(std::vector<std::uint8_t> bytes) { dib_ = std::move(bytes); }

private:
    std::vector<std::uint8_t> dib_;
};

}  // namespace zelvo
