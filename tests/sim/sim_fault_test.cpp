#include "sim/sim_fixture.h"
