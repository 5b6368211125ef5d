#include "kvtc/commands.h"

int main(int argc, char** argv) { return kvtc::tool::RunKvtc(argc, argv); }
