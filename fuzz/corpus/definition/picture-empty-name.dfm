object Form1: TForm1
  object Image1: TImage
    Picture.Data = TJPEGImage ''
  end
end
