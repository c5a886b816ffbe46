#ifndef ENVIRONMENTFILE_P_H
#define ENVIRONMENTFILE_P_H
// Test seam of the environment file editor: makes one step of the rewrite fail as if its system call
// had failed, for the steps that no real file system can be made to fail on demand. Not for callers.

enum class EnvironmentFileStep { Read, CreateTemp, Write, Owner, Mode, Sync, Close, Rename };

// Called before each step; returns the errno value the step is to fail with, or 0 to let it run.
// nullptr (the default) injects nothing.
using EnvironmentFileFault = int (*)(EnvironmentFileStep step);
extern EnvironmentFileFault environmentFileFault;

#endif
