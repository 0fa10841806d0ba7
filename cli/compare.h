// Word-by-word comparison of a sensor's configuration with a parameter file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/para.h"

namespace lq::cli {

struct Difference {
    std::string name;  // the file key: "POWER", "TEACH VECTOR 3 / CELL 2"
    uint16_t sensor = 0;
    uint16_t file = 0;
};

// The parameter block and the sensor's 32 teach vectors; vectors 32 to 63,
// which no sensor holds, are not compared.
std::vector<Difference> CompareConfiguration(const ParaBlock& sensorPara,
                                             const TeachTable& sensorTeach,
                                             const ParaBlock& filePara,
                                             const TeachTable& fileTeach);

// "NAME: sensor S, file F"
std::string FormatDifference(const Difference& d);

}  // namespace lq::cli
