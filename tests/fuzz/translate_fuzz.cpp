// libFuzzer target: the translation stage in-process, from template bytes
// to the code file (in either form) and the macro file. Every subsystem is put back to its
// start state before and after each input, so inputs cannot leak into each
// other. Run it with tests/fuzz/run.sh.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/run.h"
#include "generator/codeform.h"
#include "generator/macro.h"
#include "scanner/input_stack.h"

// Words for "$1".."$9", with the bytes that need escaping.
static char *Words[] = {(char *)"vorn", (char *)"-M", (char *)"w\"1\\", (char *)"x\ty",
                        (char *)"\r\n", (char *)"\\0", (char *)"", (char *)"%s", (char *)"AN",
                        (char *)"'", (char *)"9", nullptr};

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Under TMPDIR, which run.sh makes and removes: libFuzzer ends without a word to us.
  const char *root = getenv("TMPDIR");
  static std::string dir = std::string(root != nullptr && root[0] != '\0' ? root : "/tmp") + "/vorn-fuzz-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr || chdir(dir.c_str()) != 0) abort();
  if (freopen("/dev/null", "w", stdout) == nullptr) abort();  // reports of bad constructs
  return 0;
}

// Includes of device or kernel files could block or never end.
static bool NamesSpecialFiles(const uint8_t *data, size_t size) {
  for (const char *name : {"dev/", "proc/", "sys/", "/dev", "fd/"})
    if (memmem(data, size, name, strlen(name)) != nullptr) return true;
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (NamesSpecialFiles(data, size)) return 0;
  ResetVorn();
  FILE *out = fopen("in.C", "wb");
  if (size > 0) fwrite(data, 1, size, out);
  fclose(out);
  saveArgv = Words;
  FirstArg = 1;
  ArgumentsNumber = 10;
  // Half the inputs go through the compact writer, which follows the
  // code it writes and takes what the statements print.
  CompactForm = size > 0 && (data[size - 1] & 1);
  FILE *input = fopen("in.C", "r");
  PushBottom(input);
  TranslateInput(input, "in.C", "in_C.C", "in_M.mac", "in_new.C");
  fclose(input);
  ResetVorn();
  return 0;
}
