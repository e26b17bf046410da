#pragma once
// The progress codes of the configuration transfers, as the sequences send
// them and the dialogs show them (the numbers travel in a window message).
namespace tarn {

enum class TransferStep : int {
    ParametersFailed = -2,  // the parameter download failed; the sequence ends
    Parameters = 2,
    Sizes = 5,            // download: the section sizes; upload: the section registers
    ProgramDVSizes = 10,  // upload, with the Program part
    DV = 15,
    Program = 30,
    DH = 50,
    ReadMH = 60,
    WriteMH = 70,
    OtherSizes = 80,  // upload: the remaining sizes
    Burn = 85,
    Finished = 100,
};

}  // namespace tarn
