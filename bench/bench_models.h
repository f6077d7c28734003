// The model section of the benchmark program: imported meshes against bare GL and bare assimp.
#pragma once

#include <string>
#include <vector>

struct TModelBenchOptions {
  // Triangle counts: 10^4 and every power of ten up to this.
  long maxTriangles = 1000000;
  int width = 320, height = 240;
  int rounds = 5;
  // Where the model files are written (removed afterwards).
  std::string dir = "/tmp";
};

struct TModelBenchRow {
  std::string id, what, unit;
  double system = 0, baseline = 0, ratio = 0;
  bool hasGoal = false;
  double goal = 0;  // at most
};

std::vector<TModelBenchRow> RunModelBench(const TModelBenchOptions& o);
