#pragma once
#include "sysaccess/shared_paths.h"
