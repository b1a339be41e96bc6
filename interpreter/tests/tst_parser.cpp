#include "Harness.h"
TEST_MAIN()
