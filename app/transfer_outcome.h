#pragma once
// How a transfer that a dialog started ended, as a value the front ends
// decide on (never read back from the log).
#include <string>

namespace tarn {

struct TransferOutcome {
    enum class Result {
        NotStarted,  // stopped before anything was written or read; `message` says why
        Declined,    // the user said no (a confirmation, a question, the save dialog)
        Failed,      // it ran and failed; `message` is the failure the dialog showed
        Finished,
    };
    Result result = Result::NotStarted;
    std::u16string message;

    bool Finished() const { return result == Result::Finished; }
    static TransferOutcome NotStarted(std::u16string why) { return {Result::NotStarted, std::move(why)}; }
    static TransferOutcome Declined() { return {Result::Declined, {}}; }
    static TransferOutcome Failed(std::u16string why) { return {Result::Failed, std::move(why)}; }
    static TransferOutcome Done() { return {Result::Finished, {}}; }
};

}  // namespace tarn
