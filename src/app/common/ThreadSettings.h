#pragma once
// The number of threads of the heavy pixel operations: key "Threads" of
// section "Settings" in Zelvo.ini, 0 (the default) for one per processor,
// else 1..kMaxWorkerThreads; a value outside that range reads as 0.

namespace zelvo {

class TIniFile;
class TZVfrmMain;

/// Reads the key and hands it to the band drivers (SetWorkerThreads).
void ReadThreadsSetting(TZVfrmMain& form, const TIniFile& ini);
/// Writes the count the band drivers were given.
void WriteThreadsSetting(TZVfrmMain& form, TIniFile& ini);

}  // namespace zelvo
