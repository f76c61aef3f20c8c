#include "evaluation/AlgorithmResultContext.h"

#include "evaluation/AlgorithmResultAssembler.h"

void CAlgorithmResultContext::SetTiming(int64_t elapsed, bool isOriginal) {
    assembler->AddTiming(*this, elapsed, isOriginal);
}

void CAlgorithmResultContext::SetSkipped(const CAlgorithm& algorithm) {
    assembler->AddSkipped(*this, algorithm);
}

void CAlgorithmResultContext::SetAreaTerm(const CAlgorithm& algorithm, const AreaTerm& term) {
    assembler->AddAreaTerm(*this, algorithm, term);
}

void CAlgorithmResultContext::SetResult(const CAlgorithm& algorithm, float value) {
    assembler->AddResult(*this, algorithm, value);
}
