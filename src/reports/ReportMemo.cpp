// The per-command memory of the report: the shared CryptoAPI context.
#include "reports/ReportMemo.h"

#include "reports/ChecksumSet.h"

namespace scrutel {

HCRYPTPROV ReportMemo::CryptoProvider() {
    if (!provider_) provider_.reset(AcquireDigestProvider());
    return provider_.get();
}

} // namespace scrutel
