// The generated files. Every byte of both passes through WriteBytes, so a
// full disk is noticed at the first write it cuts short.
#include "generator/sink.h"

#include <cerrno>

FILE *outfileT = nullptr;
FILE *outfileM = nullptr;

static int FailedFile = -1;  // first file whose write failed, -1 while none did
static int FailedErrno = 0;  // errno of that failure

void NoteFailure(FILE *file) {
  if (FailedFile >= 0) return;
  FailedFile = file == outfileT ? CodeFile : MacroFile;
  FailedErrno = errno;
}

// One thread writes the files, so stdio's per-call locking can be skipped.
#ifdef __GLIBC__
#define VORN_FWRITE fwrite_unlocked
#else
#define VORN_FWRITE fwrite
#endif

void WriteBytes(FILE *file, std::string_view bytes) {
  if (bytes.empty()) return;
  if (VORN_FWRITE(bytes.data(), 1, bytes.size(), file) != bytes.size()) NoteFailure(file);
}

int WriteFailure(int *err) {
  if (err != nullptr) *err = FailedErrno;
  return FailedFile;
}

void ResetSink() {
  if (outfileM != nullptr) fclose(outfileM);
  if (outfileT != nullptr) fclose(outfileT);
  outfileM = outfileT = nullptr;
  FailedFile = -1;
  FailedErrno = 0;
}
