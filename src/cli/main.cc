#include "cli/controller.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  marlox::platform::InitializeProcess();
  const auto words = marlox::platform::CommandLineWords(argc, argv);
  if (!words) return marlox::kExitFailure;
  return marlox::RunController(*words);
}
