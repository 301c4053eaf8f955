#include "package/unpack.h"

#include <algorithm>
#include <memory>
#include <new>

#include "package/lzw_decoder.h"
#include "package/package_file.h"
#include "package/whole_file.h"
#include "platform/fatal.h"
#include "platform/fs.h"
#include "platform/thread_priority.h"

namespace {
enum class FileOutcome { Written, Failed, Cancelled };

// Decodes the temporary into the sibling, one dictionary's output at a time.
FileOutcome DecodeInto(OutputFile& sibling, LzwScratch& scratch, std::uint8_t* piece, const PackageFile& input) {
  if (input.Size() == 0 || input.Size() > 0xFFFFFFFFu) return FileOutcome::Failed;
  LzwDecoder decoder(scratch);
  decoder.InitDictionary();
  for (std::uint64_t at = 0; at < input.Size(); at += kInputPiece) {
    auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(kInputPiece, input.Size() - at));
    if (!input.ReadAt(at, piece, count)) return FileOutcome::Failed;
    decoder.DecodePiece(piece, count,
                        [&](std::span<const std::uint8_t> out) { sibling.Append(out.data(), out.size()); });
    if (decoder.GetStatus() == LzwDecoder::Status::Cancelled) return FileOutcome::Cancelled;
    if (decoder.GetStatus() != LzwDecoder::Status::Finished) return FileOutcome::Failed;
  }
  if (g_cancelRequested) return FileOutcome::Cancelled;  // the fatal path stops the others here too
  std::span<const std::uint8_t> out = decoder.TakeOutput();
  sibling.Append(out.data(), out.size());
  return sibling.Created() ? FileOutcome::Written : FileOutcome::Failed;
}

FileOutcome UnpackFile(LzwScratch& scratch, std::uint8_t* piece, const std::string& source, const std::string& target) {
  PackageFile input;
  if (!input.Open(source.c_str())) return FileOutcome::Failed;
  // Never truncate the target: the sibling takes the bytes and one rename puts it in place,
  // so a kill or a failure leaves the old or the new file, never a cut one.
  std::string siblingPath = target + kNewSuffix;
  OutputFile sibling(siblingPath.c_str());
  FileOutcome outcome = DecodeInto(sibling, scratch, piece, input);
  bool created = sibling.Created();
  sibling.Close();
  if (outcome != FileOutcome::Written) {
    if (created) DeleteFileAt(siblingPath.c_str());
    return outcome;
  }
  if (RenameOver(siblingPath.c_str(), target.c_str())) {
    // The temporary is not needed any more: deleted now, the disk never holds the whole
    // package twice over, and the deletion phase finds little left.
    DeleteFileAt(source.c_str());
    return FileOutcome::Written;
  }
  int error = LastSystemError();
  DeleteFileAt(siblingPath.c_str());
  // After a cancel, the clean-up may have deleted the sibling under this thread.
  if (g_cancelRequested) return FileOutcome::Cancelled;
  ReportFatalSystemError(error);
}
}  // namespace

void UnpackShare(StringList sources, StringList targets, std::atomic<bool>& done,
                 std::atomic<std::int32_t>& progress, std::atomic<std::int32_t>& failures, CutFollower cut) {
  // Four decoders against one cutting thread on a machine of few cores would starve the
  // cut they wait for: they yield to it.
  if (cut.cut != nullptr) LowerThreadPriority();
  LzwScratch scratch;  // one output buffer and one input piece for the whole share
  std::unique_ptr<std::uint8_t[]> piece(new (std::nothrow) std::uint8_t[kInputPiece]);
  for (std::int32_t counter = 0; counter < static_cast<std::int32_t>(sources.size());) {
    bool cutDone = cut.Await(static_cast<std::size_t>(counter));
    if (g_cancelRequested.load(std::memory_order_relaxed)) break;
    FileOutcome outcome = piece && cutDone ? UnpackFile(scratch, piece.get(), sources[counter], targets[counter])
                                           : FileOutcome::Failed;
    if (outcome == FileOutcome::Cancelled) break;
    if (outcome == FileOutcome::Failed) failures.fetch_add(1, std::memory_order_relaxed);
    ++counter;
    progress.store(counter, std::memory_order_relaxed);
  }
  done.store(true, std::memory_order_release);  // after the last file was closed
}
