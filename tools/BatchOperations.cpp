// The operations vellum-batch offers, in the order --help lists them. Each entry names the
// operation, describes its arguments and applies it to the 24-bit picture.
#include "BatchCommand.h"

#include "raster/XBitmap.h"

namespace vellum::batch {

const std::vector<TBatchOperation>& Operations()
{
    static const std::vector<TBatchOperation> operations = {
    };
    return operations;
}

} // namespace vellum::batch
