// Forms and boxes on the in-memory console: moving between fields, the
// abandon question, the end of the keyboard input, time-outs, tall screens
// and the yes/no boxes.
#include <cstring>

#include "form_fixture.h"
#include "ui/forms.h"

namespace {

class Forms : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    form_init(form_);
  }
  // A form shaped like the purge parameters: notices, yes/no fields, dates.
  FieldDescriptor form_[7] = {
      {"Notice", 1, '!', 1, 5, nullptr, 0},
      {"Purge A : ", 1, 'Y', 1, 9, nullptr, 0},
      {"Purge B : ", 1, 'Y', 1, 10, nullptr, 0},
      {"Before  : ", 10, 'D', 1, 12, nullptr, 0},
      {"Name    : ", 8, 'B', 1, 14, nullptr, 0},
      {"Trailer", 1, '!', 1, 16, nullptr, 0},
      {nullptr, 0, 0, 0, 0, nullptr, 0},
  };
  static constexpr const char* kPrompt = "F10-start, TAB-next field, ESC-cancel";
};

TEST_F(Forms, InitGivesPoolBuffersInOrderAndClearsThem) {
  line_pool_buffer(3)[0] = 'x';
  form_[2].changed = 5;
  form_init(form_);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(form_[i].value, line_pool_buffer(i));
  EXPECT_EQ(form_[3].value[0], '\0');
  EXPECT_EQ(form_[2].changed, 0);
}

TEST_F(Forms, ShowDrawsLabelsAndPaddedValues) {
  strcpy(form_[4].value, "JO");
  form_show(form_);
  EXPECT_EQ(con_.row_text(14).substr(0, 20), "Name    : JO        ");
  EXPECT_EQ(con_.row_text(5).substr(0, 8), "Notice  ");
  EXPECT_EQ(con_.attr_at(1, 14), 0x0B);  // foreground colour 11 on black
}

TEST_F(Forms, TabAndShiftTabWalkTheEditableFieldsWrapping) {
  // Shift+TAB from the first editable field wraps to the last one, passing
  // over the notice; TAB from the last wraps to the first.
  keys("", {KEY_SHIFT_TAB});
  keys("zed", {KEY_TAB});
  keys("y", {KEY_F10});
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_F10);
  EXPECT_STREQ(form_[4].value, "ZED     ");
  EXPECT_STREQ(form_[1].value, "Y");
  EXPECT_TRUE(shown(kPrompt));
  EXPECT_EQ(con_.row_text(25).substr(0, strlen(kPrompt)), kPrompt);
}

TEST_F(Forms, FunctionKeysStayAndOtherKeysBeep) {
  keys("", {KEY_F5, KEY_DOWN});
  keys("n", {KEY_F10});
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_F10);
  EXPECT_STREQ(form_[1].value, "N");  // F5 and Down kept the first field
  EXPECT_EQ(con_.warning_beeps(), 2);  // F5 in the editor, Down in the form
}

TEST_F(Forms, EscWithoutChangesEndsAtOnce) {
  keys("", {KEY_TAB, KEY_TAB});
  keys("12", {KEY_ESC});
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_ESC);
  EXPECT_FALSE(shown(kAbandonQuestion));
  EXPECT_STREQ(form_[3].value, "          ");
}

TEST_F(Forms, AbandonQuestionOnlyAfterAChange) {
  // Y in field 1 changes the form; ESC in field 2 asks. N returns to the
  // field, ESC at the question too; Y abandons and clears the flag.
  keys("y", {KEY_ESC});
  keys("n", {KEY_ESC, KEY_ESC, KEY_ESC});
  keys("y");
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_ESC);
  EXPECT_TRUE(shown(kAbandonQuestion));
  EXPECT_FALSE(g_form_changed);
  // The question's box is gone again and the form redrawn.
  EXPECT_EQ(con_.row_text(12).substr(0, 20), "Before  :           ");
  EXPECT_EQ(con_.row_text(13), std::string(80, ' '));
}

TEST_F(Forms, PageKeysEndTheFormUnlessTheUserStays) {
  keys("y", {KEY_PGDN});
  keys("n");
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_PGDN);  // answer N still ends with PgDn
  EXPECT_TRUE(g_form_changed);

  g_form_changed = false;
  keys("", {KEY_PGUP});
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_PGUP);
}

TEST_F(Forms, EndOfInputAbandonsTheForm) {
  keys("y", {KEY_ESC});  // the script ends at the abandon question
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_ESC);
  EXPECT_TRUE(con_.input_ended());

  // Ending in the middle of a field gives ESC too, without a question.
  MemoryConsole other;
  console_set(&other);
  other.push_text("y");
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_ESC);
  console_set(&con_);
}

TEST_F(Forms, UntouchedFormTimesOutAsEsc) {
  gap(601);
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_ESC);
  EXPECT_FALSE(con_.input_ended());
  EXPECT_FALSE(shown(kAbandonQuestion));
}

TEST_F(Forms, FormsWithoutEditableFieldsReturnEsc) {
  FieldDescriptor empty[1] = {{nullptr, 0, 0, 0, 0, nullptr, 0}};
  EXPECT_EQ(form_edit(empty, kPrompt), KEY_ESC);
  FieldDescriptor notes[2] = {{"Only a note", 1, '!', 1, 5, nullptr, 0},
                              {nullptr, 0, 0, 0, 0, nullptr, 0}};
  form_init(notes);
  EXPECT_EQ(form_edit(notes, kPrompt), KEY_ESC);
}

TEST_F(Forms, YesNoBoxVariantAsksYFieldsAsQuestions) {
  strcpy(form_[2].value, "Y");
  keys("y");           // field 1: empty value, answer Y: a change
  keys("", {KEY_TAB});  // field 2: answer kept
  keys("", {KEY_F10});
  EXPECT_EQ(form_edit_yes_no_box(form_, kPrompt), KEY_F10);
  EXPECT_STREQ(form_[1].value, "Yes");
  EXPECT_STREQ(form_[2].value, "Yes");
  EXPECT_TRUE(g_form_changed);
  EXPECT_TRUE(shown("Purge A : "));
}

class TallForms : public Forms {
 protected:
  TallForms() { con_.resize(80, 50); }
};

TEST_F(TallForms, RowsAreShownOnDoubledLines) {
  form_show(form_);
  EXPECT_EQ(con_.row_text(18).substr(0, 10), "Purge A : ");
  EXPECT_EQ(con_.row_text(28).substr(0, 10), "Name    : ");
  EXPECT_EQ(con_.row_text(9), std::string(80, ' '));
  keys("y", {KEY_ESC});
  keys("", {KEY_ESC});  // ESC at the question: back to the field
  keys("", {KEY_F10});
  EXPECT_EQ(form_edit(form_, kPrompt), KEY_F10);
  EXPECT_EQ(con_.row_text(50).substr(0, strlen(kPrompt)), kPrompt);
}

using Boxes = FormFixture;

TEST_F(Boxes, YesNoPromptKeys) {
  const char* q = "Really ? (Y/N) : ";
  char answer = 'N';
  keys("q", {KEY_ENTER});
  EXPECT_EQ(yes_no_prompt(q, &answer, false), KEY_ENTER);
  EXPECT_EQ(answer, 'N');
  EXPECT_EQ(con_.warning_beeps(), 1);
  EXPECT_TRUE(shown(std::string(1, char(201)) + std::string(strlen(q) + 3, char(205)) +
                    char(187)));
  keys("y");
  EXPECT_EQ(yes_no_prompt(q, &answer, false), KEY_TAB);
  EXPECT_EQ(answer, 'Y');
  answer = 'N';
  keys("", {KEY_ESC});
  EXPECT_EQ(yes_no_prompt(q, &answer, false), KEY_ESC);
  EXPECT_EQ(answer, 'Y');
  answer = 'N';
  gap(601);
  EXPECT_EQ(yes_no_prompt(q, &answer, true), KEY_TAB);
  EXPECT_EQ(answer, 'Y');
  keys("", {KEY_PGDN});
  EXPECT_EQ(yes_no_prompt(q, &answer, true), KEY_PGDN);
}

TEST_F(Boxes, YesNoBoxLeavesTheAnswerOnEscAndTimeOut) {
  char answer = 'N';
  keys("", {KEY_ESC});
  EXPECT_EQ(yes_no_box("Go : ", &answer, true), KEY_ESC);
  EXPECT_EQ(answer, 'N');
  gap(601);
  EXPECT_EQ(yes_no_box("Go : ", &answer, true), KEY_ESC);
  EXPECT_EQ(answer, 'N');
}

TEST_F(Boxes, BoxesAreDrawnWhereTheirRowsSay) {
  char* b = line_pool_buffer(0);
  strcpy(b, "7");
  keys("", {KEY_TAB});
  EXPECT_EQ(prompt_box("Count : ", 4, 'I', b, true), KEY_TAB);
  EXPECT_STREQ(b, "7   ");
  EXPECT_TRUE(shown("Count : 7___"));
  // The box is blanked afterwards.
  EXPECT_EQ(con_.row_text(13), std::string(80, ' '));
}

}  // namespace
