#pragma once
// The grid's questions to the operator. The grid asks through a function the
// application hands in (its own message dialog); a grid without one asks
// with a plain message box.
#include <QString>
#include <functional>

class QWidget;

enum class GridQuestionButtons { YesNo, OkCancel };

// Returns the code of the answer: 1 OK, 2 Cancel or closed, 6 Yes, 7 No.
using GridQuestion = std::function<int(const QString &text, GridQuestionButtons buttons)>;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

namespace wwgrid {
// The plain message box: a question icon, the caption "Confirm".
int AskWithMessageBox(QWidget *parent, const QString &text, GridQuestionButtons buttons);
}  // namespace wwgrid
