// The launcher window: its six components, laid out by resources/Unit1.dfm, and three handlers.
#pragma once

#include "vcl/Classes.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

using namespace vcl;

class TForm1 : public TForm {
public:
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image3 = nullptr;
    TLabel* Label1 = nullptr;
    TImage* Image4 = nullptr;
    TTimer* Timer1 = nullptr;

    void Image2Click(TObject* Sender);
    void Image3Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);

    explicit TForm1(TComponent* Owner) : TForm(Owner) {}

    // The names by which the window definition reaches the fields and handlers above.
    static const TPublished Published;
};

extern TForm1* Form1;
