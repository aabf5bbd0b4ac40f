#include "platform/DecoderSettings.h"

#include "formats/plugin/DecoderSandbox.h"

namespace zelvo {

void ApplyDecoderSettings(const TIniFile& ini) {
    TDecoderSettings settings;
    EachKey(settings, TKeyReader(ini, "Settings"));
    SandboxOptions().InProcessFallback = settings.PluginsInProcess;
    SandboxOptions().TimeLimitSeconds = settings.DecoderSeconds;
    SandboxOptions().AllDecoders = settings.SandboxAllDecoders;
}

}  // namespace zelvo
