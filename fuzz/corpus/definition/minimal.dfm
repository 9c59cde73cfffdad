object Form1: TForm1
  ClientHeight = 120
  ClientWidth = 160
  object Image1: TImage
  end
  object Image2: TImage
  end
  object Image3: TImage
  end
  object Label1: TLabel
  end
  object Image4: TImage
  end
  object Timer1: TTimer
  end
end
