object Form1: TForm1
  object Image1: TImage
    Picture.Data = TJPEGImage 'background.jpg'
    Stretch = True
  end
  object Image2: TImage
    Picture.Data = TBitmap 'background.jpg'
  end
end
