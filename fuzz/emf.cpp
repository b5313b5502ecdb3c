#include "fuzz/MetafileFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  metafile_fuzz::StartApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return metafile_fuzz::Run(data, size, ReadEmfInfo);
}
