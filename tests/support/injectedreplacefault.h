#ifndef INJECTEDREPLACEFAULT_H
#define INJECTEDREPLACEFAULT_H
// Makes one step of replaceFile fail, as if its system call had failed with err, while it lives (err 0:
// nothing fails). One at a time.

#include "safereplace_p.h"

class InjectedReplaceFault
{
public:
    InjectedReplaceFault(ReplaceStep step, int err)
    {
        s_step = step;
        s_iError = err;
        replaceFault = [](ReplaceStep at) { return at == s_step ? s_iError : 0; };
    }
    ~InjectedReplaceFault() { replaceFault = nullptr; }
    InjectedReplaceFault(const InjectedReplaceFault&) = delete;
    InjectedReplaceFault& operator=(const InjectedReplaceFault&) = delete;

private:
    static inline ReplaceStep s_step = ReplaceStep::CreateTemp;
    static inline int s_iError = 0;
};

#endif
