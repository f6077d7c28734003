// The big-scene section of the benchmark program.
#pragma once

struct TBigOptions {
  // The largest scene: 10,000 parts and every power of ten up to this (1,000,000 takes minutes).
  long maxParts = 100000;
  int width = 320, height = 240;
  int rounds = 5;
  int latencySamples = 10;
  // Baselines of the options themselves.
  bool noCulling = false;
  bool noPrompt = false;
};

void RunBigScenes(const TBigOptions& o);
