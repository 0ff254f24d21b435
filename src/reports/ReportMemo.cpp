// The per-command memory of the report: the shared CryptoAPI context.
#include "reports/ReportMemo.h"

#include "reports/ChecksumSet.h"

namespace scrutel {

ReportMemo::~ReportMemo() {
    if (provider_) CryptReleaseContext(provider_, 0);
}

HCRYPTPROV ReportMemo::CryptoProvider() {
    if (!provider_) provider_ = AcquireDigestProvider();
    return provider_;
}

} // namespace scrutel
