#pragma once
// TMyQuery, the query component: declared with the MySQL dataset it publishes.

#include "data/TCustomMyDataSet.h"
