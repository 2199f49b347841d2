#include <gtest/gtest.h>

#include "methods/thermometers/thermometers.hpp"
