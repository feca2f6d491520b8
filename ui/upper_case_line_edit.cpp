#include "ui/upper_case_line_edit.h"

#include <QValidator>

namespace {

// Upper-cases every UTF-16 unit on its own, so that the text never changes
// length and the caret stays where it was.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            const QChar u = c.toUpper();
            if (u != c)
                input[i] = u;
        }
        return Acceptable;
    }
};

} // namespace

UpperCaseLineEdit::UpperCaseLineEdit(QWidget *parent) : SelectAllLineEdit(parent)
{
    // The validator sees every insertion (typing, paste, drop) and rewrites
    // it in place before the text changes.
    setValidator(new UpperCaseValidator(this));
}
