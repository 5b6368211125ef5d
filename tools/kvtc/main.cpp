#include "kvtc/commands.h"
#include "kvtc/interrupt_cleanup.h"

int main(int argc, char** argv) {
  kvtc::tool::CleanUpOnTerminationSignals();
  return kvtc::tool::RunKvtc(argc, argv);
}
