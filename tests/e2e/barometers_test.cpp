// End-to-end runs of the barometers.
#include <gtest/gtest.h>

#include "e2e/program_run.hpp"
#include "e2e/reference_pipeline.hpp"
