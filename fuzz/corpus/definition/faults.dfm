object Form1: TForm1
  Left = 2147483648
  Caption = 'open
  Color = #$D800
  object Image1: TLabel
  end
  object Image1: TImage
  end
  object Bogus: TBogus
  end
  Picture.Data = TJPEGImage 'missing.jpg'
  OnClick = NoSuchHandler
end
end
