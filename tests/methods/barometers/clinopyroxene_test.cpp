#include <gtest/gtest.h>

#include "methods/barometers/barometers.hpp"
