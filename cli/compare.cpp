#include "cli/compare.h"

#include "data/paramfile_doc.h"

namespace lq::cli {

std::vector<Difference> CompareConfiguration(const ParaBlock& sensorPara,
                                             const TeachTable& sensorTeach,
                                             const ParaBlock& filePara,
                                             const TeachTable& fileTeach) {
    std::vector<Difference> out;
    for (int i = 0; i < kParaWords; ++i)
        if (sensorPara[i] != filePara[i])
            out.push_back({std::string(ParaName(i)), sensorPara[i], filePara[i]});
    for (int n = 0; n < kSensorTeachVectors; ++n)
        for (int j = 0; j < kTeachWords; ++j)
            if (sensorTeach[n][j] != fileTeach[n][j])
                out.push_back({TeachSectionName(n) + " / " + std::string(TeachWordName(j)),
                               sensorTeach[n][j], fileTeach[n][j]});
    return out;
}

std::string FormatDifference(const Difference& d) {
    return d.name + ": sensor " + std::to_string(d.sensor) + ", file " + std::to_string(d.file);
}

}  // namespace lq::cli
