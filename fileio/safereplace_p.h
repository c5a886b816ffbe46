#ifndef SAFEREPLACE_P_H
#define SAFEREPLACE_P_H
// Test seam of replaceFile: makes one step fail as if its system call had failed, for the steps that no
// real file system can be made to fail on demand. Not for callers.

enum class ReplaceStep { CreateTemp, Write, Owner, Mode, Sync, Close, Rename, Backup };

// Called before each step; returns the errno value the step is to fail with, or 0 to let it run.
// nullptr (the default) injects nothing.
using ReplaceFault = int (*)(ReplaceStep step);
extern ReplaceFault replaceFault;

#endif
