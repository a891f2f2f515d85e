#include "quelin.h"
int main() { return 0; }
