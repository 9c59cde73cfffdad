object Form1: TForm1
  Caption = 'It''s '#13#10'two' +
    ' lines '#$4E2D#25991
  Color = clWhite
  BorderIcons = [biSystemMenu, biMinimize]
  Font.Style = []
  Font.Name = '宋体'
  Font.Charset = GB2312_CHARSET
  object Image1: TImage
    Align = alTop
    Height = 40
    Picture.Data = TJPEGImage 'install-pressed.jpg'
  end
  object Image2: TImage
    Align = alBottom
  end
  object Image3: TImage
    Align = alLeft
  end
  object Label1: TLabel
    Align = alRight
    AutoSize = True
    Caption = #$0041'b'
  end
  object Image4: TImage
    Align = alClient
  end
  object Timer1: TTimer
  end
end
