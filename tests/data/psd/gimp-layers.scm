; GIMP batch script (Script-Fu): builds a 40 x 24 RGB document from the reference pictures and
; exports it as gimp.psd. Run from the folder holding canvas.png, alpha.png and opaque.png:
;   gimp-console -i -d -f -b "$(cat gimp-layers.scm)" -b '(gimp-quit 0)'

(define (tintel-layer image file name x y opacity)
  (let ((layer (car (gimp-file-load-layer RUN-NONINTERACTIVE image file))))
    (gimp-image-insert-layer image layer 0 0)
    (gimp-item-set-name layer name)
    (gimp-layer-set-offsets layer x y)
    (gimp-layer-set-opacity layer opacity)
    layer))

(let* ((image (car (gimp-image-new 40 24 RGB))))
  ; bottom to top: an opaque background, a half-opaque layer with alpha and a non-ASCII name,
  ; an opaque layer with a white layer mask, a layer reaching past the canvas
  (tintel-layer image "canvas.png" "Background" 0 0 100)
  (tintel-layer image "alpha.png" "Größe" 7 5 50)
  (let ((masked (tintel-layer image "opaque.png" "masked" 20 10 100)))
    (gimp-layer-add-mask masked (car (gimp-layer-create-mask masked ADD-MASK-WHITE))))
  (tintel-layer image "alpha.png" "Top €" 33 20 100)
  (file-psd-save RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image))
                 "gimp.psd" "gimp.psd" 0 0)
  (gimp-image-delete image))
