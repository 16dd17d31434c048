#pragma once
// KANVO_VECTOR_CLONES marks a hot whole-block routine of the codec to be compiled twice on
// x86-64, for AVX2 and for the baseline instruction set (see VectorClones.h).
#include "raster/pixel/VectorClones.h"

#define KANVO_VECTOR_CLONES KANVO_CLONES("avx2", "default")
