object Form1: TForm1
  object Image1: TImage
    object Image2: TImage
    end
  end
end
