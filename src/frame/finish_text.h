// The finish's reading of an S or G command text. No Windows header.
#pragma once

#include "channel/command_text.h"

struct CFinishValues {
    char m_szStatus[kFinishCopySize];
    char m_szScore[kFinishCopySize];
};

// Copies at most kFinishTextMax bytes of the command text into a 128-byte
// working copy, splits it with strtok on " -" and takes S and G tokens from their
// third character (a later token replaces an earlier one; a token of the letter
// alone gives the empty text). A token that the copy would cut, or that holds a
// CR or LF, is passed over as if absent. Both values begin empty.
void ReadFinishValues(const char* pszCommandText, CFinishValues* pValues);
