// Classifies the result of one read of a stream being copied: more data, its end, or a failure.
#include "text/ReadOutcome.h"

namespace scrutel {

ReadOutcome ClassifyRead(bool succeeded, uint32_t bytesRead, uint32_t error) {
    if (succeeded) return bytesRead > 0 ? ReadOutcome::Data : ReadOutcome::End;
    if (error == ReadErrorHandleEof || error == ReadErrorBrokenPipe) return ReadOutcome::End;
    // Only a partial message comes with its bytes; with none the read cannot make progress.
    if (error == ReadErrorMoreData && bytesRead > 0) return ReadOutcome::Data;
    return ReadOutcome::Failed;
}

} // namespace scrutel
