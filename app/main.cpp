#include "app/Startup.h"

int main(int argc, char** argv) { return brevant::RunBrevant(argc, argv); }
