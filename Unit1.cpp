// The launcher window's handlers: Install arms the timer behind a pressed button and a notice,
// the tick starts the installer, Exit just closes.
#include "Unit1.h"

#include "vcl/WinExec.h"

TForm1* Form1 = nullptr;

namespace {
constexpr TPublishedField kFields[] = {
    Field<&TForm1::Image1>("Image1"), Field<&TForm1::Image2>("Image2"),
    Field<&TForm1::Image3>("Image3"), Field<&TForm1::Label1>("Label1"),
    Field<&TForm1::Image4>("Image4"), Field<&TForm1::Timer1>("Timer1"),
};
constexpr TPublishedMethod kMethods[] = {
    Method<&TForm1::Image2Click>("Image2Click"),
    Method<&TForm1::Image3Click>("Image3Click"),
    Method<&TForm1::Timer1Timer>("Timer1Timer"),
};
}  // namespace

const TPublished TForm1::Published = {"TForm1", kFields, kMethods};

void TForm1::Image2Click(TObject* /*Sender*/) {
    Image2->SetEnabled(false);
    Image4->SetVisible(true);
    Label1->SetVisible(true);
    Timer1->SetEnabled(true);
}

void TForm1::Image3Click(TObject* /*Sender*/) {
    Close();
}

void TForm1::Timer1Timer(TObject* /*Sender*/) {
    Timer1->SetEnabled(false);
    WinExec("system\\setup.exe", SW_HIDE);
    Close();
}
