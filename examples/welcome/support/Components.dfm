object Components: TPoolTemplate
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = '$TITLE$ Setup'
  ClientHeight = 360
  ClientWidth = 497
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object Banner: TPanel
    Left = 0
    Top = 0
    Width = 497
    Height = 58
    BevelOuter = bvNone
    Color = clWhite
    ParentBackground = False
    TabOrder = 0
    object Heading: TLabel
      Left = 20
      Top = 10
      Width = 420
      Height = 16
      Caption = 'Components'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
    end
    object Subheading: TLabel
      Left = 32
      Top = 32
      Width = 440
      Height = 13
      Caption = 'Choose the parts of $TITLE$ to install.'
    end
  end
  object TopLine: TBevel
    Left = 0
    Top = 58
    Width = 497
    Height = 2
    Shape = bsTopLine
  end
  object ComponentList: TCheckListBox
    Left = 20
    Top = 72
    Width = 260
    Height = 220
    ItemHeight = 13
    TabOrder = 1
    Tag = 1
  end
  object DescriptionBox: TGroupBox
    Left = 292
    Top = 66
    Width = 185
    Height = 226
    Caption = 'Description'
    TabOrder = 2
    object DescriptionText: TStaticText
      Left = 10
      Top = 20
      Width = 165
      Height = 120
      AutoSize = False
      Caption = 'Point at a component to see its description.'
      TabOrder = 0
      Tag = 2
    end
    object TotalText: TStaticText
      Left = 10
      Top = 196
      Width = 165
      Height = 17
      Caption = ''
      TabOrder = 1
      Tag = 4
    end
  end
  object BottomLine: TBevel
    Left = 0
    Top = 313
    Width = 497
    Height = 2
    Shape = bsTopLine
  end
  object BackButton: TButton
    Left = 238
    Top = 326
    Width = 75
    Height = 25
    Caption = '< &Back'
    TabOrder = 10
    Tag = 2
  end
  object NextButton: TButton
    Left = 313
    Top = 326
    Width = 75
    Height = 25
    Caption = '&Next >'
    Default = True
    TabOrder = 11
    Tag = 1
  end
  object CancelButton: TButton
    Left = 402
    Top = 326
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    TabOrder = 12
    Tag = 3
  end
end
