// ThreadSanitizer builds only (STICKWELL_SANITIZE=thread): makes Qt's thread synchronisation visible
// to ThreadSanitizer. Qt locks a QMutex through futexes inside QtCore, which is not instrumented,
// and QThread::wait learns that a thread has ended the same way, so without this every access guarded
// by a QMutex, and every use of a worker's data after its thread was waited for, looks like a data
// race. These definitions take the place of Qt's exported QWaitCondition::wait, QThread's constructor,
// wait and isFinished (and, on Qt 5, QMutex::lock, tryLock and unlock) for every caller outside
// QtCore (our code, and Qt's other libraries); each calls Qt's own function and tells
// ThreadSanitizer what it did. Qt's calls inside QtCore stay Qt's own. Qt 6's QMutex locks inline
// and annotates itself when the caller is built with ThreadSanitizer, so it is left alone there.

#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>
#include <stdio.h>
#include <stdlib.h>

namespace
{

template <typename Function> Function realFunction(const char* name)
{
    void* address = dlsym(RTLD_NEXT, name);
    if (!address) {
        fprintf(stderr, "tsan_qtsync: %s not found in Qt\n", name);
        abort();
    }
    return reinterpret_cast<Function>(address);
}

using WaitFunction = bool (*)(QWaitCondition*, QMutex*, unsigned long);
using WaitDeadlineFunction = bool (*)(QWaitCondition*, QMutex*, QDeadlineTimer);

// A recursive QMutex (Qt 5) may be locked again by its holder; it is left to Qt alone (we use none).
bool annotated(QMutex* mutex)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return !mutex->isRecursive();
#else
    Q_UNUSED(mutex);
    return true;
#endif
}

void annotateUnlock(QMutex* mutex)
{
    if (!annotated(mutex))
        return;
    __tsan_mutex_pre_unlock(mutex, 0);
    __tsan_mutex_post_unlock(mutex, 0);
}

void annotateLock(QMutex* mutex)
{
    if (!annotated(mutex))
        return;
    __tsan_mutex_pre_lock(mutex, 0);
    __tsan_mutex_post_lock(mutex, 0, 0);
}

} // namespace

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using MutexFunction = void (*)(QMutex*);
using TryLockFunction = bool (*)(QMutex*, int);

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    static const MutexFunction real = realFunction<MutexFunction>("_ZN6QMutex4lockEv");
    const bool annotate = !isRecursive();
    if (annotate)
        __tsan_mutex_pre_lock(this, 0);
    real(this);
    if (annotate)
        __tsan_mutex_post_lock(this, 0, 0);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const TryLockFunction real = realFunction<TryLockFunction>("_ZN6QMutex7tryLockEi");
    const bool annotate = !isRecursive();
    if (annotate)
        __tsan_mutex_pre_lock(this, __tsan_mutex_try_lock);
    const bool locked = real(this, timeout);
    if (annotate)
        __tsan_mutex_post_lock(this, __tsan_mutex_try_lock | (locked ? 0 : __tsan_mutex_try_lock_failed), 0);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const MutexFunction real = realFunction<MutexFunction>("_ZN6QMutex6unlockEv");
    const bool annotate = !isRecursive();
    if (annotate)
        __tsan_mutex_pre_unlock(this, 0);
    real(this);
    if (annotate)
        __tsan_mutex_post_unlock(this, 0);
}
#endif

// Qt's wait unlocks the mutex and locks it again inside QtCore.
bool QWaitCondition::wait(QMutex* lockedMutex, unsigned long time)
{
    static const WaitFunction real = realFunction<WaitFunction>("_ZN14QWaitCondition4waitEP6QMutexm");
    annotateUnlock(lockedMutex);
    const bool woken = real(this, lockedMutex, time);
    annotateLock(lockedMutex);
    return woken;
}

bool QWaitCondition::wait(QMutex* lockedMutex, QDeadlineTimer deadline)
{
    static const WaitDeadlineFunction real =
        realFunction<WaitDeadlineFunction>("_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    annotateUnlock(lockedMutex);
    const bool woken = real(this, lockedMutex, deadline);
    annotateLock(lockedMutex);
    return woken;
}

// A thread's end: QThread emits finished() on the ending thread after its last work and before any
// wait() returns, so a release there and an acquire where wait() or isFinished() says it has ended
// give ThreadSanitizer the order that Qt keeps.
namespace
{

using ThreadConstructor = void (*)(QThread*, QObject*);
using ThreadWaitFunction = bool (*)(QThread*, QDeadlineTimer);
using ThreadWaitTimeFunction = bool (*)(QThread*, unsigned long);
using ThreadIsFinishedFunction = bool (*)(const QThread*);

void announceTheEnd(QThread* thread)
{
    QObject::connect(
        thread, &QThread::finished, thread, [thread] { __tsan_release(thread); }, Qt::DirectConnection);
}

} // namespace

extern "C" void stickwellQThreadConstructor(QThread* thread,
                                            QObject* parent) __asm__("_ZN7QThreadC1EP7QObject");
extern "C" void stickwellQThreadBaseConstructor(QThread* thread,
                                                QObject* parent) __asm__("_ZN7QThreadC2EP7QObject");

void stickwellQThreadConstructor(QThread* thread, QObject* parent)
{
    static const ThreadConstructor real = realFunction<ThreadConstructor>("_ZN7QThreadC1EP7QObject");
    real(thread, parent);
    announceTheEnd(thread);
}

void stickwellQThreadBaseConstructor(QThread* thread, QObject* parent)
{
    static const ThreadConstructor real = realFunction<ThreadConstructor>("_ZN7QThreadC2EP7QObject");
    real(thread, parent);
    announceTheEnd(thread);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    static const ThreadWaitFunction real =
        realFunction<ThreadWaitFunction>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool ended = real(this, deadline);
    if (ended)
        __tsan_acquire(this);
    return ended;
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
// Qt 6 has this one inline, calling the deadline version above.
bool QThread::wait(unsigned long time)
{
    static const ThreadWaitTimeFunction real = realFunction<ThreadWaitTimeFunction>("_ZN7QThread4waitEm");
    const bool ended = real(this, time);
    if (ended)
        __tsan_acquire(this);
    return ended;
}
#endif

bool QThread::isFinished() const
{
    static const ThreadIsFinishedFunction real =
        realFunction<ThreadIsFinishedFunction>("_ZNK7QThread10isFinishedEv");
    const bool ended = real(this);
    if (ended)
        __tsan_acquire(const_cast<QThread*>(this));
    return ended;
}
