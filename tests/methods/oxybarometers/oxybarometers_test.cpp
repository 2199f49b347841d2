#include <gtest/gtest.h>

#include "methods/oxybarometers/oxybarometers.hpp"
