#include "app/XMLRegFile.h"
#include <gtest/gtest.h>
TEST(X, Y) {}
