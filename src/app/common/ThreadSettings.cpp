#include "app/common/ThreadSettings.h"

#include "image/RowBands.h"
#include "platform/IniFile.h"

namespace zelvo {

void ReadThreadsSetting(TZVfrmMain&, const TIniFile& ini) {
    SetWorkerThreads(ini.ReadIntegerIn("Settings", "Threads", 0, 0, kMaxWorkerThreads));
}

void WriteThreadsSetting(TZVfrmMain&, TIniFile& ini) { ini.WriteInteger("Settings", "Threads", WorkerThreadsSetting()); }

}  // namespace zelvo
