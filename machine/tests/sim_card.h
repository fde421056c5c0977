// The simulated card's test control now lives in testsupport.
#pragma once
#include "velbend/testsupport/sim_card.h"
