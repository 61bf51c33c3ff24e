#include "app/lumatap.h"

int main(int argc, char** argv) { return RunLumatap(argc, argv); }
