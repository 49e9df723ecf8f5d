// Fuzz target: an arbitrary byte string read as the payload of a part file's
// file record, and as a file's share of the outputs and its frame.
//
// Parts come from other computers and other runs: the record decoder and the
// decoders of the outputs' share (the sections "EXPO" and "FRAM" a record
// carries) must refuse any damage with a reason, never read outside the
// bytes, overflow or allocate beyond what the bytes can hold.  What decodes
// must encode again to bytes that decode to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "campaign/part_file.h"
#include "campaign/part_format.h"
#include "exports/record.h"

namespace {

void decode_share(std::string_view bytes) {
  std::string error;
  exports::Contribution share;
  if (exports::decode(bytes, share, error)) {
    exports::Contribution again;
    if (!exports::decode(exports::encode(share), again, error)) std::abort();
  }
  exports::FrameModel frame;
  if (exports::decode(bytes, frame, error)) {
    exports::FrameModel again;
    if (!exports::decode(exports::encode(frame), again, error)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  campaign::FileRecord record;
  std::string error;
  if (campaign::decode_record(bytes, record, error)) {
    campaign::FileRecord again;
    if (!campaign::decode_record(campaign::encode_record(record), again, error) ||
        !(again == record)) {
      std::abort();
    }
    for (const campaign::Section& s : record.sections) decode_share(s.bytes);
  }
  decode_share(bytes);
  return 0;
}
