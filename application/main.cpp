// The program's entry.
#include "program.h"

int main(int, char**) { return 0; }
