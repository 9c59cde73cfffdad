object Form1: TForm1
  Position = poDesigned
  BorderStyle = bsSingle
  object Image1: TImage
    Left = -32768
    Top = 32767
    Width = 0
    Height = 32767
    Stretch = False
  end
  object Image2: TImage
    Cursor = crArrow
    Enabled = False
    OnClick = Image3Click
  end
  object Image3: TImage
    OnClick = Image2Click
  end
  object Label1: TLabel
    Font.Height = -13
    Font.Color = clBlack
  end
  object Image4: TImage
    Visible = True
  end
  object Timer1: TTimer
    Enabled = True
    Interval = 2147483647
    OnTimer = Timer1Timer
  end
end
