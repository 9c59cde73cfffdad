object Form1: TForm1
  Left = 192
  Top = 114
  BorderIcons = []
  BorderStyle = bsNone
  Caption = 'Form1'
  ClientHeight = 481
  ClientWidth = 639
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  Scaled = False
  PixelsPerInch = 96
  TextHeight = 13
  object Image1: TImage
    Left = 0
    Top = 0
    Width = 639
    Height = 481
    Align = alClient
    Picture.Data = TJPEGImage 'background.jpg'
    Stretch = True
  end
  object Image2: TImage
    Left = 128
    Top = 344
    Width = 129
    Height = 57
    Cursor = crHandPoint
    OnClick = Image2Click
  end
  object Image3: TImage
    Left = 384
    Top = 344
    Width = 121
    Height = 57
    Cursor = crHandPoint
    OnClick = Image3Click
  end
  object Label1: TLabel
    Left = 248
    Top = 440
    Width = 138
    Height = 13
    Caption = '正在读取文件请稍候...'
    Font.Charset = GB2312_CHARSET
    Font.Color = clRed
    Font.Height = -13
    Font.Name = '宋体'
    Font.Style = []
    ParentFont = False
    Transparent = True
    Visible = False
  end
  object Image4: TImage
    Left = 122
    Top = 345
    Width = 135
    Height = 57
    Picture.Data = TJPEGImage 'install-pressed.jpg'
    Visible = False
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 10
    OnTimer = Timer1Timer
  end
end
