#include "wholefilewrite.h"

#include "safereplace.h"

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    ReplacePolicy policy;
    // The user's own files: replacing one that root once wrote makes it theirs, as any save would.
    policy.ownerMayChange = true;
    QString why;
    const bool ok = replaceFile(path, bytes, policy, nullptr, &why);
    if (errorMessage)
        *errorMessage = ok ? QString() : QStringLiteral("Cannot write %1: %2").arg(path, why);
    return ok;
}
