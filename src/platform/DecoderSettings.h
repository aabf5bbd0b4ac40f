#pragma once
// The settings of the decoder process that runs the image plug-ins
// ([Settings] of Zelvo.ini), read by the editor and zelvo-cli alike:
//
//   PluginsInProcess=0|1  when the decoder process cannot start, run the
//                         plug-ins inside the program (default 0: refuse)
//   DecoderSeconds=1..3600  seconds a picture may take, plus two for each
//                         million pixels (default 10)
//   SandboxAllDecoders=0|1  the program's own readers (BMP, JPEG, PNG, GIF,
//                         icons, PhotoCD, netpbm) run in the decoder
//                         process too (default 0: in the program itself)

#include <concepts>
#include <type_traits>

#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {

struct TDecoderSettings {
    bool PluginsInProcess = false;
    int DecoderSeconds = 10;
    bool SandboxAllDecoders = false;
};

template <class Settings, class Visit>
    requires std::same_as<std::remove_const_t<Settings>, TDecoderSettings>
void EachKey(Settings& s, Visit&& visit) {
    visit(BoolKey("PluginsInProcess", s.PluginsInProcess));
    visit(IntKey("DecoderSeconds", s.DecoderSeconds, 1, 3600));
    visit(BoolKey("SandboxAllDecoders", s.SandboxAllDecoders));
}

/// Reads the keys from [Settings] of `ini` into SandboxOptions().
void ApplyDecoderSettings(const TIniFile& ini);

}  // namespace zelvo
