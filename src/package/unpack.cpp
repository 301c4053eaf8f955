#include "package/unpack.h"

#include "package/lzw_decoder.h"
#include "package/whole_file.h"
#include "platform/fatal.h"
#include "platform/fs.h"

namespace {
enum class FileOutcome { Written, Failed, Cancelled };

FileOutcome UnpackFile(LzwScratch& scratch, ReadBuffer& input, const std::string& source, const std::string& target) {
  std::span<const std::uint8_t> temporary = ReadWholeFile(source.c_str(), input);
  if (temporary.empty()) return FileOutcome::Failed;
  LzwDecoder decoder(scratch);
  decoder.InitDictionary();
  decoder.SetInput(temporary.data(), static_cast<std::uint32_t>(temporary.size()));
  decoder.Decode();
  if (decoder.GetStatus() == LzwDecoder::Status::Cancelled) return FileOutcome::Cancelled;
  std::span<const std::uint8_t> out = decoder.TakeOutput();
  if (decoder.GetStatus() == LzwDecoder::Status::OutOfMemory || out.empty()) return FileOutcome::Failed;
  if (g_cancelRequested) return FileOutcome::Cancelled;  // the fatal path stops the others here too
  // Never truncate the target: the sibling takes the bytes and one rename puts it in place,
  // so a kill or a failure leaves the old or the new file, never a cut one.
  std::string sibling = target + kNewSuffix;
  WriteWholeFile(sibling.c_str(), out.data(), static_cast<std::uint32_t>(out.size()));
  if (RenameOver(sibling.c_str(), target.c_str())) {
    // The temporary is not needed any more: deleted now, the disk never holds the whole
    // package twice over, and the deletion phase finds little left.
    DeleteFileAt(source.c_str());
    return FileOutcome::Written;
  }
  int error = LastSystemError();
  DeleteFileAt(sibling.c_str());
  // After a cancel, the clean-up may have deleted the sibling under this thread.
  if (g_cancelRequested) return FileOutcome::Cancelled;
  ReportFatalSystemError(error);
}
}  // namespace

void UnpackShare(StringList sources, StringList targets, std::atomic<bool>& done,
                 std::atomic<std::int32_t>& progress, std::atomic<std::int32_t>& failures) {
  LzwScratch scratch;  // one output buffer and one input buffer for the whole share
  ReadBuffer input;
  for (std::int32_t counter = 0; counter < static_cast<std::int32_t>(sources.size());) {
    if (g_cancelRequested.load(std::memory_order_relaxed)) break;
    FileOutcome outcome = UnpackFile(scratch, input, sources[counter], targets[counter]);
    if (outcome == FileOutcome::Cancelled) break;
    if (outcome == FileOutcome::Failed) failures.fetch_add(1, std::memory_order_relaxed);
    ++counter;
    progress.store(counter, std::memory_order_relaxed);
  }
  done.store(true, std::memory_order_release);  // after the last file was closed
}
