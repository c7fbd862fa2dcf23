// Questions: how the dialogs' logic asks the user to choose before it goes on (save the picks before
// another image opens, replace files that exist). The desktop program asks with a message box; tests
// answer from a script.
#pragma once

#include <string>
#include <vector>

namespace gc {

enum class Answer { Yes, No, Save, Discard, Cancel };

class Questions {
public:
    virtual ~Questions() = default;
    // Shows `text` with one button per entry of `answers` (the first is the default) and returns the
    // one chosen; closing the question without a choice answers Cancel or No, whichever is offered.
    virtual Answer Ask(const std::string& text, const std::vector<Answer>& answers) = 0;
};

} // namespace gc
